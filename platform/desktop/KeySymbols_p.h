#pragma once

#include <QKeyCombination>
#include <QtGlobal>

#include <optional>

/// X key symbols (GTK's key names) against Qt keys, for the keys a shortcut
/// can name; the keypad's symbols carry Qt's keypad modifier.
namespace platform {

/// The Qt key (with Qt::KeypadModifier for the keypad's) of an X key symbol;
/// none for modifier keys and symbols without a Qt key.
std::optional<QKeyCombination> qtKeyForKeySymbol(quint32 keySymbol);

/// The X key symbol of a Qt key, letters in lower case as GTK writes them;
/// none where there is none.
std::optional<quint32> keySymbolForQtKey(QKeyCombination key);

} // namespace platform
