#pragma once

#include "LauncherSurface.h"

#include <QObject>

#include <memory>

class Launcher;
class LauncherItemDelegate;
class LauncherResultModel;
class QLineEdit;
class QFrame;
class QListView;
class QWidget;

/// The launcher's window: a frameless window that stays on top, centred on the
/// screen that holds the pointer, with a search field and the best few matches.
/// Typing searches, Up and Down (Page Up and Page Down: the first and the last)
/// choose, Return (or a click) launches the chosen application and hides the
/// window, Escape hides it, and so does losing the keyboard to another window. The results follow the launcher's changes while
/// shown. It journals "window shown" once it is shown and holds the keyboard,
/// and "window hidden" when it goes.
class LauncherWindow : public QObject, public LauncherSurface
{
    Q_OBJECT
public:
    /// The most results shown at once.
    static constexpr int MaxRows = 8;

    /// `launcher` must outlive the window. Needs a QApplication.
    explicit LauncherWindow(Launcher &launcher, QObject *parent = nullptr);
    ~LauncherWindow() override;

    /// Shows the window with an empty search; a window already shown is raised
    /// and given the keyboard again, its search kept.
    void show() override;
    void hide() override;
    bool isVisible() const override;

    /// The top-level window, for tests and screenshots.
    QWidget *window() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void makeField();
    void makeList();
    void refresh();
    void select(int row);
    void launch(int row);
    void placeOnPointerScreen();
    bool handleKey(int key);
    void followActivation();

    Launcher &m_launcher;
    std::unique_ptr<QFrame> m_window;
    LauncherResultModel *m_model = nullptr;
    LauncherItemDelegate *m_delegate = nullptr;
    QLineEdit *m_field = nullptr;
    QListView *m_list = nullptr;
    // "window shown" is journalled once a shown window holds the keyboard.
    bool m_announced = false;
};
