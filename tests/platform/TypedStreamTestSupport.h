#pragma once

// Small archivable classes and known byte sequences shared by the typedstream tests.

#include "platform/archive/Archiver.h"
#include "platform/archive/ArchivedObject.h"
#include "platform/archive/Unarchiver.h"

#include <QByteArray>

/// A key combination as the system archives it: "s" then "l", version 0.
class TestKeyCombo : public platform::ArchivedObject
{
public:
    static constexpr platform::ArchivedClass archivedClass{"KeyCombo", 0, &platform::ArchivedClass::NSObject};

    TestKeyCombo() = default;
    TestKeyCombo(qint16 keyCode, qint32 modifiers) : keyCode(keyCode), modifiers(modifiers) {}

    const platform::ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(platform::Archiver &coder) const override
    {
        coder.encodeValueOfObjCType("s", keyCode);
        coder.encodeValueOfObjCType("l", modifiers);
    }
    void initWithCoder(platform::Unarchiver &coder) override
    {
        keyCode = qint16(coder.decodeValueOfObjCType("s").toLongLong());
        modifiers = qint32(coder.decodeValueOfObjCType("l").toLongLong());
    }

    qint16 keyCode = -1;
    qint32 modifiers = -1;
};

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline const QByteArray header = hex("04 0B 73 74 72 65 61 6D 74 79 70 65 64 81 E8 03");

/// The two worked examples: KeyCombo (36, 256) and the cleared KeyCombo (-1, -1).
inline const QByteArray keyComboPrefix = header + hex("84 01 40 84 84 84 08 4B 65 79 43 6F 6D 62 6F 00"
                                                      "84 84 08 4E 53 4F 62 6A 65 63 74 00 85");
inline const QByteArray keyCombo36 = keyComboPrefix + hex("84 01 73 24 84 01 6C 81 00 01 86");
inline const QByteArray keyComboCleared = keyComboPrefix + hex("84 01 73 FF 84 01 6C FF 86");
