#pragma once

#include <QByteArray>
#include <QtGlobal>

struct xcb_connection_t;

namespace corvane::test {

/// Another X client holding the space bar on the root window of an Xvfb
/// display, as a program that took the key first would; its grabs end with it.
class X11KeyHolder
{
public:
    explicit X11KeyHolder(const QByteArray &display);
    ~X11KeyHolder();
    X11KeyHolder(const X11KeyHolder &) = delete;
    X11KeyHolder &operator=(const X11KeyHolder &) = delete;

    /// Grabs Space with exactly `modifiers` (X masks); false when refused.
    bool hold(quint16 modifiers);
    /// Lets go of every key, once the server has done so.
    void release();

private:
    xcb_connection_t *m_connection;
};

} // namespace corvane::test
