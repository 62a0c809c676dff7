// The main() of every test executable.
//
// A test must never touch the real user's files, bus or settings. CTest starts
// each executable through tests/sandbox-run; started any other way, the
// executable re-enters itself through that script before doing anything else.

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

void reenterSandbox(int argc, char **argv)
{
    std::vector<char *> args;
    args.push_back(const_cast<char *>(CORVANE_SANDBOX_RUN));
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    ::execv(CORVANE_SANDBOX_RUN, args.data());
    ::perror("cannot enter the test sandbox " CORVANE_SANDBOX_RUN);
    std::exit(2);
}

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("CORVANE_TEST_SANDBOX"))
        reenterSandbox(argc, argv);

    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    // Windows a test left open (an application-modal alert nobody dismissed)
    // have no owner; close them so that the leak check sees only real leaks.
    QList<QPointer<QWidget>> windows;
    for (QWidget *window : QApplication::topLevelWidgets())
        windows << window;
    for (const QPointer<QWidget> &window : std::as_const(windows))
        delete window.data();
    return result;
}
