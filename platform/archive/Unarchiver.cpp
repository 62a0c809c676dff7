#include "platform/archive/Unarchiver.h"

#include "platform/archive/FlatTypedStream_p.h"
#include "platform/archive/TypedStreamFormat_p.h"

#include <QStringList>
#include <QVarLengthArray>

#include <cstring>

namespace platform {

using namespace typedstream;

namespace {

QString chainText(const FlatTypedStream &stream, qsizetype classIndex)
{
    QStringList parts;
    // The reader keeps chains acyclic; the bound only guards against misuse.
    for (const FlatTypedStream::Class *cls = stream.classAt(classIndex); cls && parts.size() <= stream.objects.size();
         cls = stream.classAt(cls->superclass))
        parts << printable(stream.textAt(cls->name));
    return parts.join(QLatin1String(" : "));
}

// Inline, for the one or two bytes most type strings have: a call into the
// library's general comparison costs more than the comparison.
bool sameBytes(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    return a.size() == 1 ? a.front() == b.front() : std::memcmp(a.data(), b.data(), size_t(a.size())) == 0;
}

} // namespace

struct Unarchiver::Private
{
    enum class State : quint8 { NotDecoded, Decoding, Decoded };

    /// The next group to be read at one level (the archive's top level or the
    /// contents of the object being decoded); -1 once all are read.
    struct Level
    {
        qsizetype next = -1;
    };

    explicit Private(const ArchiveClassRegistry &registry) : registry(registry) {}

    Private(const ArchiveClassRegistry &registry, const FlatTypedStream &stream) : registry(registry)
    {
        start(stream);
    }

    const ArchiveClassRegistry &registry;
    // The tables the Unarchiver walks: its caller's while unarchiveObjectWithData
    // runs, so that a small archive is read on the stack; its own otherwise.
    const FlatTypedStream *stream = nullptr;
    QByteArray ownedData;
    std::unique_ptr<FlatTypedStream> ownedStream;
    std::optional<ArchiveError> error;
    struct Slot
    {
        State state = State::NotDecoded;
        // Optional, though a QVariant can be null: most slots hold classes and are
        // never filled, and an empty optional is made and dropped inline, where a
        // QVariant's destructor is a library call.
        std::optional<QVariant> value; // once decoded
    };

    QVarLengthArray<Level, 8> levels;
    QVarLengthArray<Slot, 8> slots; // by object-table index; a small archive's fit in place
    int depth = 0;

    void start(const FlatTypedStream &read)
    {
        stream = &read;
        levels.push_back(Level{read.firstGroup});
        slots.resize(read.objects.size());
    }

    void fail(const QString &description)
    {
        if (!error)
            error = ArchiveError{description, -1};
    }

    /// The next group at the current level when it was written under exactly
    /// `types`; null, and no failure, otherwise.
    const FlatTypedStream::Group *takeMatchingGroup(QByteArrayView types)
    {
        if (error) // before the levels are read: a failed read leaves none
            return nullptr;
        Level &level = levels.back();
        if (level.next < 0)
            return nullptr;
        const FlatTypedStream::Group &group = stream->groups[level.next];
        if (!sameBytes(stream->typesOf(group), types))
            return nullptr;
        level.next = group.next;
        return &group;
    }

    /// The next group at the current level when it was written under `types`.
    const FlatTypedStream::Group *takeGroup(QByteArrayView types)
    {
        if (const FlatTypedStream::Group *group = takeMatchingGroup(types))
            return group;
        if (error)
            return nullptr;
        const Level &level = levels.back();
        if (level.next < 0) {
            fail(QStringLiteral("no value left where one of type \"%1\" is read").arg(printable(types)));
            return nullptr;
        }
        fail(QStringLiteral("a value of type \"%1\" where one of type \"%2\" is read")
                 .arg(printable(stream->typesOf(stream->groups[level.next])), printable(types)));
        return nullptr;
    }

    const ArchiveValue &firstValueOf(const FlatTypedStream::Group &group) const
    {
        return stream->values[group.firstValue];
    }

    /// Whether the archived chain of classes from `classIndex` is the registered
    /// one, with versions no newer than the registered ones.
    bool chainMatches(qsizetype classIndex, const ArchivedClass &registered) const
    {
        const ArchivedClass *known = &registered;
        for (const FlatTypedStream::Class *cls = stream->classAt(classIndex); cls; cls = stream->classAt(cls->superclass)) {
            if (!known || !sameBytes(stream->textAt(cls->name), known->name) || cls->version > known->version)
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
            return slot.value.value_or(QVariant()); // kept, as the object is referenced again
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
        const FlatTypedStream::Object *object = stream->objectAt(index);
        const FlatTypedStream::Class *cls = stream->classAt(object->classIndex);
        const auto entry = registry.entryForClassName(stream->textAt(cls->name));
        if (!entry) {
            fail(QStringLiteral("unknown class %1").arg(chainText(*stream, object->classIndex)));
            return {};
        }
        if (!chainMatches(object->classIndex, *entry->archivedClass)) {
            fail(QStringLiteral("unexpected class chain or version %1").arg(chainText(*stream, object->classIndex)));
            return {};
        }

        slot.state = State::Decoding;
        levels.push_back(Level{object->firstGroup});
        ++depth;
        QVariant value = entry->decoder(coder);
        if (!error && levels.back().next >= 0)
            fail(QStringLiteral("values of %1 left unread").arg(chainText(*stream, object->classIndex)));
        --depth;
        levels.pop_back();
        if (error)
            return {};
        // Decoders only read: the table has not moved, and `slot` is still ours.
        slot.state = State::Decoded;
        // Kept only for a later reference: a copy counts a reference of a shared
        // object up, and down again when the slots go.
        if (object->referencedAgain)
            slot.value.emplace(value);
        return value;
    }
};

Unarchiver::Unarchiver(QByteArrayView data, const ArchiveClassRegistry &registry)
    : m_ownedPrivate(std::make_unique<Private>(registry)), d(m_ownedPrivate.get())
{
    // The tables point into the input, which the caller may free once this returns.
    d->ownedData = data.toByteArray();
    d->ownedStream = std::make_unique<FlatTypedStream>();
    if (auto error = FlatTypedStream::read(d->ownedData, *d->ownedStream)) {
        d->error = std::move(error);
        return;
    }
    d->start(*d->ownedStream);
}

Unarchiver::Unarchiver(Private &d) : d(&d) {}

Unarchiver::~Unarchiver() = default;

ArchiveResult<QVariant> Unarchiver::unarchiveObjectWithData(QByteArrayView data, const ArchiveClassRegistry &registry)
{
    // `data` outlives the decoding here: the tables stay views of it, on the stack.
    FlatTypedStream stream;
    if (auto error = FlatTypedStream::read(data, stream))
        return std::move(*error);
    Private state(registry, stream);
    Unarchiver coder(state);
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
    if (const FlatTypedStream::Group *group = d->takeGroup(types)) {
        const auto first = d->stream->values.begin() + group->firstValue;
        return QList<ArchiveValue>(first, first + group->valueCount);
    }
    // Callers index the result by position: it always has one value per element.
    return QList<ArchiveValue>(qsizetype(parsed->size()));
}

ArchiveValue Unarchiver::decodeValueOfObjCType(QByteArrayView type)
{
    // Most often the next group was written under this very one-letter type: the
    // reader parsed and checked it then, so nothing is looked up here. Objects
    // are refused below, as is everything else that does not match.
    if (type.size() == 1 && type.front() != '@' && type.front() != '#') {
        if (const FlatTypedStream::Group *group = d->takeMatchingGroup(type))
            return d->firstValueOf(*group);
    }
    // Most values are read under a one-letter type: its element comes from a table,
    // and the value straight from its group, with no list or parse in between.
    if (const ObjCType *element = oneLetterElement(type)) {
        if (element->containsObjects())
            failWithError(QStringLiteral("objects are read with decodeObject, not as type \"%1\"").arg(printable(type)));
        const FlatTypedStream::Group *group = d->takeGroup(type);
        return group ? d->firstValueOf(*group) : ArchiveValue();
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
    const FlatTypedStream::Group *group = d->takeGroup("@");
    if (!group)
        return {};
    const qsizetype index = d->firstValueOf(*group).objectReference().index;
    return index < 0 ? QVariant() : d->decodeObjectAt(*this, index);
}

bool Unarchiver::isAtEnd() const
{
    return d->levels.empty() || d->levels.back().next < 0;
}

std::optional<qint64> Unarchiver::versionForClassName(QByteArrayView className) const
{
    if (!d->stream)
        return std::nullopt;
    for (const FlatTypedStream::Entry &entry : d->stream->objects) {
        if (const auto *cls = std::get_if<FlatTypedStream::Class>(&entry); cls && d->stream->textAt(cls->name) == className)
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
