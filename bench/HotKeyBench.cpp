// Key press to launcher window shown, with 5,000 generated desktop entries, on
// Xvfb (no window manager). Ours: the service runs, holding the hot key; an XTest
// press of Alt+Space goes to the server and the time runs until the launcher's
// window maps (MapNotify on the root). The peer: rofi's drun mode on the same
// entries, started on the same key press (held here, as a hot-key daemon would),
// until its window maps. The window aims at 50 ms; the ratio to that budget is
// printed too.

#include "BenchmarkTimes.h"
#include "GeneratedEntries.h"
#include "KeyCombo.h"

#include "platform/input/X11PassiveGrab.h"
#include "platform/plist/UserDefaults.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

constexpr int Entries = 5000;
constexpr double ShowBudgetMs = 50;
constexpr xcb_keycode_t AltKey = 64; // Alt_L and space under Xvfb's evdev keymap
constexpr xcb_keycode_t SpaceKey = 65;
const QString ServiceProgram = QStringLiteral(CORVANE_SERVICE_APP "/Corvane");

QString root;
QByteArray display;
xcb_connection_t *connection = nullptr;

void pressAltSpace()
{
    for (const auto &[type, key] : {std::pair{XCB_KEY_PRESS, AltKey}, {XCB_KEY_PRESS, SpaceKey},
                                    {XCB_KEY_RELEASE, SpaceKey}, {XCB_KEY_RELEASE, AltKey}})
        xcb_test_fake_input(connection, quint8(type), key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection);
}

/// Reads events until one of `type` comes (true), or ten seconds pass.
bool waitForEvent(quint8 type)
{
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            const bool found = (event->response_type & 0x7f) == type;
            std::free(event);
            if (found)
                return true;
        }
        pollfd socket{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&socket, 1, int(deadline.remainingTime()));
    }
    return false;
}

bool startXvfb(QProcess &server)
{
    display = QByteArray(":") + QByteArray::number(300 + ::getpid() % 600);
    server.start(QStringLiteral("Xvfb"), {QString::fromLatin1(display), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                          QStringLiteral("-noreset"), QStringLiteral("-screen"), QStringLiteral("0"),
                                          QStringLiteral("1280x800x24")});
    const QDeadlineTimer deadline(20000);
    while (server.waitForStarted() && !deadline.hasExpired()) {
        connection = xcb_connect(display.constData(), nullptr);
        if (!xcb_connection_has_error(connection))
            break;
        xcb_disconnect(connection);
        connection = nullptr;
        QThread::msleep(50);
    }
    if (!connection)
        return false;
    const quint32 mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root,
                                 XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    return true;
}

QProcessEnvironment displayEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    return environment;
}

void BM_HotKeyToWindow(benchmark::State &state)
{
    platform::UserDefaults::standardUserDefaults().setPersistentDomain(
        {{QStringLiteral("ShowHideHotKey"), KeyCombo::keyComboWithKeyCode(49, KeyCombo::OptionKey)->archivedData()}},
        QStringLiteral("com.velora.Corvane"));
    const QString journal = root + QStringLiteral("/journal.log");
    QFile::remove(journal); // a repetition's service writes afresh
    QProcess service;
    service.setProcessEnvironment(displayEnvironment());
    service.start(ServiceProgram, {QStringLiteral("--journal"), journal});
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired() && !QFile(journal).exists())
        QThread::msleep(20);
    while (!deadline.hasExpired()) {
        QFile file(journal);
        // Timed from when the launcher is ready: its key held and its catalogue read.
        const QByteArray written = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (written.contains("hot-key\tgrabbed") && written.contains("\tcatalogued"))
            break;
        QThread::msleep(20);
    }
    if (deadline.hasExpired()) {
        state.SkipWithError("the service did not grab the hot key or read its catalogue");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        pressAltSpace();
        if (!waitForEvent(XCB_MAP_NOTIFY)) {
            state.SkipWithError("the launcher window did not map");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        pressAltSpace(); // hides it again
        if (!waitForEvent(XCB_UNMAP_NOTIFY)) {
            state.SkipWithError("the launcher window did not unmap");
            break;
        }
    }
    service.terminate();
    service.waitForFinished(10000);
}

void BM_RofiOnKeyPress(benchmark::State &state)
{
    const platform::X11PassiveGrab grab(connection, xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root,
                                        SpaceKey, XCB_MOD_MASK_1);
    if (grab.result() != platform::X11PassiveGrab::Result::Grabbed) {
        state.SkipWithError("Alt+Space is held by another client");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        pressAltSpace();
        QProcess rofi;
        rofi.setProcessEnvironment(displayEnvironment());
        rofi.setStandardOutputFile(QProcess::nullDevice());
        rofi.setStandardErrorFile(QProcess::nullDevice());
        if (!waitForEvent(XCB_KEY_PRESS)) {
            state.SkipWithError("the key press did not come");
            break;
        }
        rofi.start(QStringLiteral("rofi"), {QStringLiteral("-show"), QStringLiteral("drun")});
        if (!waitForEvent(XCB_MAP_NOTIFY)) {
            state.SkipWithError("rofi's window did not map");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        rofi.terminate();
        rofi.waitForFinished(10000);
    }
}

void printRatios(const corvane::bench::BenchmarkTimes &times)
{
    if (const auto ours = times.time("BM_HotKeyToWindow"))
        std::printf("ratio key press to window shown / 50 ms budget: %.3fx (%.1f ms)\n", *ours / ShowBudgetMs, *ours);
    if (const auto r = times.ratio("BM_HotKeyToWindow", "BM_RofiOnKeyPress"))
        std::printf("ratio key press to window shown / rofi drun: %.3fx (rofi %.1f ms)\n", r->value(), r->denominator);
}

} // namespace

BENCHMARK(BM_HotKeyToWindow)->Iterations(20)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_RofiOnKeyPress)->Iterations(10)->Unit(benchmark::kMillisecond)->UseManualTime();

int main(int argc, char **argv)
{
    QTemporaryDir folder;
    root = folder.path();
    corvane::bench::useThrowAwayFolders(root);
    QCoreApplication app(argc, argv);
    QProcess server;
    if (!corvane::bench::writeGeneratedEntries(root + QStringLiteral("/usr-share/applications"),
                                               root + QStringLiteral("/bin"), Entries)
        || !startXvfb(server)) {
        std::fprintf(stderr, "cannot write the desktop entries or start Xvfb\n");
        return 1;
    }
    const int status = corvane::bench::runBenchmarks(argc, argv, corvane::bench::Clock::AsMeasured, printRatios);
    xcb_disconnect(connection);
    server.terminate();
    server.waitForFinished();
    return status;
}
