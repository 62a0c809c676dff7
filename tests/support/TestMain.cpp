// The main() of every test executable.
//
// A test must never touch the real user's files, bus or settings. CTest starts
// each executable through tests/sandbox-run; started any other way, the
// executable re-enters itself through that script before doing anything else.

#include <QApplication>

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
    return RUN_ALL_TESTS();
}
