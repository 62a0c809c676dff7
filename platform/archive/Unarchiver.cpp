#include "platform/archive/Unarchiver.h"

#include "platform/archive/TypedStream.h"
#include "platform/archive/TypedStreamFormat_p.h"

#include <QStringList>
#include <QVarLengthArray>

namespace platform {

using namespace typedstream;

namespace {

QString chainText(const TypedStream &stream, qsizetype classIndex)
{
    QStringList parts;
    for (const TypedStream::Class *cls : stream.classChain(classIndex))
        parts << printable(cls->name);
    return parts.join(QLatin1String(" : "));
}

} // namespace

struct Unarchiver::Private
{
    enum class State : quint8 { NotDecoded, Decoding, Decoded };

    /// The groups still to be read at one level: the archive's top level or the
    /// contents of the object being decoded.
    struct Level
    {
        const QList<TypedStream::Group> *groups;
        qsizetype next = 0;
    };

    explicit Private(const ArchiveClassRegistry &registry) : registry(registry) {}

    const ArchiveClassRegistry &registry;
    std::optional<TypedStream> stream;
    std::optional<ArchiveError> error;
    struct Slot
    {
        State state = State::NotDecoded;
        QVariant value; // once decoded
    };

    QVarLengthArray<Level, 8> levels;
    QVarLengthArray<Slot, 8> slots; // by object-table index; a small archive's fit in place
    int depth = 0;

    void fail(const QString &description)
    {
        if (!error)
            error = ArchiveError{description, -1};
    }

    /// The next group at the current level when it was written under `types`.
    const TypedStream::Group *takeGroup(QByteArrayView types)
    {
        if (error)
            return nullptr;
        Level &level = levels.back();
        if (level.next >= level.groups->size()) {
            fail(QStringLiteral("no value left where one of type \"%1\" is read").arg(printable(types)));
            return nullptr;
        }
        const TypedStream::Group &group = (*level.groups)[level.next];
        if (group.types != types) {
            fail(QStringLiteral("a value of type \"%1\" where one of type \"%2\" is read")
                     .arg(printable(group.types), printable(types)));
            return nullptr;
        }
        ++level.next;
        return &group;
    }

    /// Whether the archived chain of classes from `classIndex` is the registered
    /// one, with versions no newer than the registered ones.
    bool chainMatches(qsizetype classIndex, const ArchivedClass &registered) const
    {
        const ArchivedClass *known = &registered;
        for (const TypedStream::Class *cls = stream->classAt(classIndex); cls; cls = stream->classAt(cls->superclass)) {
            if (!known || cls->name != QByteArrayView(known->name) || cls->version > known->version)
                return false;
            known = known->superclass;
        }
        return known == nullptr;
    }

    QVariant decodeObjectAt(Unarchiver &coder, qsizetype index)
    {
        Slot &slot = slots[index];
        switch (slot.state) {
        case State::Decoded:
            return slot.value;
        case State::Decoding:
            fail(QStringLiteral("an object refers back to an object still being decoded"));
            return {};
        case State::NotDecoded:
            break;
        }
        if (depth >= MaximumNesting) {
            fail(QStringLiteral("objects nested more than %1 deep").arg(MaximumNesting));
            return {};
        }
        const TypedStream::Object *object = stream->objectAt(index);
        const TypedStream::Class *cls = stream->classAt(object->classIndex);
        const auto entry = registry.entryForClassName(cls->name);
        if (!entry) {
            fail(QStringLiteral("unknown class %1").arg(chainText(*stream, object->classIndex)));
            return {};
        }
        if (!chainMatches(object->classIndex, *entry->archivedClass)) {
            fail(QStringLiteral("unexpected class chain or version %1").arg(chainText(*stream, object->classIndex)));
            return {};
        }

        slot.state = State::Decoding;
        levels.push_back(Level{&object->contents});
        ++depth;
        QVariant value = entry->decoder(coder);
        if (!error && levels.back().next < levels.back().groups->size())
            fail(QStringLiteral("values of %1 left unread").arg(chainText(*stream, object->classIndex)));
        --depth;
        levels.pop_back();
        if (error)
            return {};
        // Decoders only read: the table has not moved, and `slot` is still ours.
        slot.state = State::Decoded;
        slot.value = value;
        return value;
    }
};

Unarchiver::Unarchiver(QByteArrayView data, const ArchiveClassRegistry &registry) : d(std::make_unique<Private>(registry))
{
    ArchiveResult<TypedStream> read = TypedStream::read(data);
    if (!read) {
        d->error = read.error();
        return;
    }
    d->stream = std::move(read).value();
    d->levels.push_back(Private::Level{&d->stream->groups()});
    d->slots.resize(qsizetype(d->stream->objectTable().size()));
}

Unarchiver::~Unarchiver() = default;

ArchiveResult<QVariant> Unarchiver::unarchiveObjectWithData(QByteArrayView data, const ArchiveClassRegistry &registry)
{
    Unarchiver coder(data, registry);
    QVariant root = coder.decodeObject();
    if (!coder.hasFailed() && !coder.isAtEnd())
        coder.failWithError(QStringLiteral("more than one value at the top level of the archive"));
    if (coder.hasFailed())
        return *coder.error();
    return root;
}

QList<ArchiveValue> Unarchiver::decodeValuesOfObjCTypes(QByteArrayView types)
{
    QString why;
    const ObjCTypes parsed = parsedTypeString(types, &why);
    if (!parsed) {
        failWithError(why);
        return {};
    }
    for (const ObjCType &type : *parsed) {
        if (type.containsObjects())
            failWithError(QStringLiteral("objects are read with decodeObject, not as type \"%1\"").arg(printable(types)));
    }
    if (const TypedStream::Group *group = d->takeGroup(types))
        return group->values;
    // Callers index the result by position: it always has one value per element.
    return QList<ArchiveValue>(qsizetype(parsed->size()));
}

ArchiveValue Unarchiver::decodeValueOfObjCType(QByteArrayView type)
{
    // Most values are read under a one-letter type: its element comes from a table,
    // and the value straight from its group, with no list or parse in between.
    if (const ObjCType *element = oneLetterElement(type)) {
        if (element->containsObjects())
            failWithError(QStringLiteral("objects are read with decodeObject, not as type \"%1\"").arg(printable(type)));
        const TypedStream::Group *group = d->takeGroup(type);
        return group ? group->values.front() : ArchiveValue();
    }
    const QList<ArchiveValue> values = decodeValuesOfObjCTypes(type);
    if (values.size() != 1) {
        failWithError(QStringLiteral("\"%1\" is not a single type").arg(printable(type)));
        return {};
    }
    return values.front();
}

QByteArray Unarchiver::decodeDataObject()
{
    const qint64 length = decodeValueOfObjCType("i").toLongLong();
    if (length < 0)
        failWithError(QStringLiteral("data object of negative length %1").arg(length));
    if (hasFailed())
        return {};
    return decodeValueOfObjCType(QByteArray('[' + QByteArray::number(length) + "c]")).toByteArray();
}

QVariant Unarchiver::decodeObject()
{
    const TypedStream::Group *group = d->takeGroup("@");
    if (!group)
        return {};
    const qsizetype index = group->values.front().objectReference().index;
    return index < 0 ? QVariant() : d->decodeObjectAt(*this, index);
}

bool Unarchiver::isAtEnd() const
{
    if (d->levels.empty())
        return true;
    const Private::Level &level = d->levels.back();
    return level.next >= level.groups->size();
}

std::optional<qint64> Unarchiver::versionForClassName(QByteArrayView className) const
{
    if (!d->stream)
        return std::nullopt;
    for (const TypedStream::Entry &entry : d->stream->objectTable()) {
        if (const auto *cls = std::get_if<TypedStream::Class>(&entry); cls && cls->name == className)
            return cls->version;
    }
    return std::nullopt;
}

void Unarchiver::failWithError(const QString &description)
{
    d->fail(description);
}

bool Unarchiver::hasFailed() const
{
    return d->error.has_value();
}

std::optional<ArchiveError> Unarchiver::error() const
{
    return d->error;
}

} // namespace platform
