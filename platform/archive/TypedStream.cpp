#include "platform/archive/TypedStream.h"

#include "platform/archive/FlatTypedStream_p.h"

namespace platform {

using namespace typedstream;

namespace {

/// Builds the tree of groups from the flat tables, each shared string made a
/// QByteArray once and then shared by every group or class that names it.
class TreeBuilder
{
public:
    explicit TreeBuilder(const FlatTypedStream &flat) : m_flat(flat), m_texts(flat.strings.size()) {}

    QList<TypedStream::Group> groupsFrom(qsizetype first)
    {
        QList<TypedStream::Group> groups;
        for (qsizetype index = first; index >= 0; index = m_flat.groups[index].next) {
            const FlatTypedStream::Group &group = m_flat.groups[index];
            const auto values = m_flat.values.begin() + group.firstValue;
            groups.push_back({textAt(group.typeString), QList<ArchiveValue>(values, values + group.valueCount)});
        }
        return groups;
    }

    TypedStream::Entry entryFrom(const FlatTypedStream::Entry &entry)
    {
        if (const auto *object = std::get_if<FlatTypedStream::Object>(&entry))
            return TypedStream::Object{object->classIndex, groupsFrom(object->firstGroup)};
        if (const auto *cls = std::get_if<FlatTypedStream::Class>(&entry))
            return TypedStream::Class{textAt(cls->name), cls->version, cls->superclass};
        return TypedStream::CString{textAt(std::get<FlatTypedStream::CString>(entry).string)};
    }

private:
    const QByteArray &textAt(qsizetype stringIndex)
    {
        QByteArray &text = m_texts[stringIndex];
        if (text.isNull()) {
            const FlatTypedStream::SharedString &string = m_flat.strings[stringIndex];
            text = !string.value.isNull() ? string.value : internedString(string.text);
            if (text.isNull())
                text = string.text.toByteArray();
        }
        return text;
    }

    const FlatTypedStream &m_flat;
    QList<QByteArray> m_texts;
};

} // namespace

ArchiveResult<TypedStream> TypedStream::read(QByteArrayView data)
{
    FlatTypedStream flat;
    if (auto error = FlatTypedStream::read(data, flat))
        return std::move(*error);
    TypedStream stream;
    stream.m_byteOrder = flat.byteOrder == FlatTypedStream::ByteOrder::BigEndian ? ByteOrder::BigEndian
                                                                                   : ByteOrder::LittleEndian;
    stream.m_systemVersion = flat.systemVersion;
    TreeBuilder builder(flat);
    stream.m_groups = builder.groupsFrom(flat.firstGroup);
    stream.m_objects.reserve(size_t(flat.objects.size()));
    for (const FlatTypedStream::Entry &entry : flat.objects)
        stream.m_objects.push_back(builder.entryFrom(entry));
    return stream;
}

const TypedStream::Object *TypedStream::objectAt(qsizetype index) const
{
    if (index < 0 || index >= qsizetype(m_objects.size()))
        return nullptr;
    return std::get_if<Object>(&m_objects[size_t(index)]);
}

const TypedStream::Class *TypedStream::classAt(qsizetype index) const
{
    if (index < 0 || index >= qsizetype(m_objects.size()))
        return nullptr;
    return std::get_if<Class>(&m_objects[size_t(index)]);
}

QList<const TypedStream::Class *> TypedStream::classChain(qsizetype classIndex) const
{
    QList<const Class *> chain;
    // The reader keeps chains acyclic; the bound only guards against misuse.
    for (const Class *cls = classAt(classIndex); cls && chain.size() <= qsizetype(m_objects.size());
         cls = classAt(cls->superclass))
        chain.push_back(cls);
    return chain;
}

} // namespace platform
