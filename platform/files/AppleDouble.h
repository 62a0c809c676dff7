#pragma once

#include "platform/files/FinderInfo.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace platform {

/// The AppleDouble header file (version 2) that keeps a file's Finder
/// information, resource fork and extended attributes beside it.
///
/// parse() reads the layout the original platform's kernel writes (a 4096-byte
/// file: Finder information with the "ATTR" block of attributes, then the
/// resource fork), the compact layout its copy library writes into archives,
/// and the files of other writers; every check of the format is made, and bytes
/// that fail one give none. toBytes() writes the kernel's layout. Entries this
/// class does not interpret and every attribute are kept on a rewrite.
class AppleDouble
{
public:
    static constexpr quint32 ResourceForkEntry = 2;
    static constexpr quint32 FinderInfoEntry = 9;

    /// An entry other than the Finder information and the resource fork.
    struct Entry
    {
        quint32 id = 0;
        QByteArray data;
        friend bool operator==(const Entry &, const Entry &) = default;
    };

    /// An extended attribute of the "ATTR" block.
    struct Attribute
    {
        QByteArray name; ///< UTF-8, without its terminating NUL; 1 to 127 bytes
        QByteArray value;
        quint16 flags = 0;
        friend bool operator==(const Attribute &, const Attribute &) = default;
    };

    /// No Finder information, no resource fork, no attributes.
    AppleDouble() = default;

    /// The header file in `bytes`; none when they are not a valid one.
    static std::optional<AppleDouble> parse(QByteArrayView bytes);

    /// The header file in the kernel's layout: Finder information first (with the
    /// "ATTR" block, whose debug tag is `debugTag`, conventionally the file's
    /// inode), the other entries, then the resource fork last, starting no earlier
    /// than 4096 − 286 so that the file is at least 4096 bytes. Without a resource
    /// fork the platform's 286-byte tagged empty fork stands in, which parse()
    /// reads as none.
    QByteArray toBytes(quint32 debugTag = 0) const;

    /// All zero when the file has none.
    FinderInfo finderInfo() const { return m_finderInfo; }
    void setFinderInfo(const FinderInfo &info) { m_finderInfo = info; }

    /// None when the file has no resource fork (no entry, an empty one, or the
    /// platform's tagged empty fork).
    const std::optional<QByteArray> &resourceFork() const { return m_resourceFork; }
    void setResourceFork(std::optional<QByteArray> fork) { m_resourceFork = std::move(fork); }

    const QList<Attribute> &attributes() const { return m_attributes; }
    void setAttributes(QList<Attribute> attributes) { m_attributes = std::move(attributes); }

    const QList<Entry> &otherEntries() const { return m_otherEntries; }
    void setOtherEntries(QList<Entry> entries) { m_otherEntries = std::move(entries); }

    /// Holds nothing: the companion file can go.
    bool isEmpty() const;

    /// The platform's 286-byte empty resource fork with its "intentionally left
    /// blank" tag.
    static QByteArray taggedEmptyResourceFork();

    friend bool operator==(const AppleDouble &, const AppleDouble &) = default;

private:
    FinderInfo m_finderInfo;
    std::optional<QByteArray> m_resourceFork;
    QList<Attribute> m_attributes;
    QList<Entry> m_otherEntries;
};

} // namespace platform
