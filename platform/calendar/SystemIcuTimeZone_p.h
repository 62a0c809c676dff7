#pragma once

// ICU time zones built from the system's TZif data, so that ICU's calendars
// and formatters give the offsets QDateTime gives. ICU's own zone data is not
// used: the one shipped with the system's ICU is older than the system's TZif
// files and lacks zones the files have.

#include <QTimeZone>

#include <unicode/basictz.h>
#include <unicode/tzrule.h>

#include <memory>
#include <mutex>
#include <optional>

namespace platform {

/// An ICU zone whose offsets, daylight-saving flags and transitions are those
/// of a QTimeZone, which Qt reads from the system's TZif file. Its identifier
/// is the zone's. Local (wall) times are resolved as ICU's own zones resolve
/// them by default: a time in a gap takes the offset before the change, a
/// repeated time the offset after it, so that both stand for the later instant.
class SystemIcuTimeZone : public icu::BasicTimeZone
{
public:
    explicit SystemIcuTimeZone(const QTimeZone &zone);
    SystemIcuTimeZone(const SystemIcuTimeZone &other);
    ~SystemIcuTimeZone() override;

    SystemIcuTimeZone *clone() const override;
    bool operator==(const icu::TimeZone &other) const override;

    int32_t getOffset(uint8_t era, int32_t year, int32_t month, int32_t day, uint8_t dayOfWeek, int32_t millis,
                      UErrorCode &status) const override;
    int32_t getOffset(uint8_t era, int32_t year, int32_t month, int32_t day, uint8_t dayOfWeek, int32_t millis,
                      int32_t monthLength, UErrorCode &status) const override;
    void getOffset(UDate date, UBool local, int32_t &rawOffset, int32_t &dstOffset, UErrorCode &status) const override;
    void setRawOffset(int32_t offsetMillis) override;
    int32_t getRawOffset() const override;
    UBool useDaylightTime() const override;
    UBool inDaylightTime(UDate date, UErrorCode &status) const override;
    UBool hasSameRules(const icu::TimeZone &other) const override;

    UBool getNextTransition(UDate base, UBool inclusive, icu::TimeZoneTransition &result) const override;
    UBool getPreviousTransition(UDate base, UBool inclusive, icu::TimeZoneTransition &result) const override;
    int32_t countTransitionRules(UErrorCode &status) const override;
    void getTimeZoneRules(const icu::InitialTimeZoneRule *&initial, const icu::TimeZoneRule *trsrules[],
                          int32_t &trscount, UErrorCode &status) const override;

    static UClassID getStaticClassID();
    UClassID getDynamicClassID() const override;

private:
    struct Offsets
    {
        int32_t raw = 0;
        int32_t dst = 0;
        QString abbreviation;
        bool operator==(const Offsets &other) const { return raw == other.raw && dst == other.dst; }
    };
    // Instants [start, end) that share one set of offsets.
    struct Span
    {
        qint64 start;
        qint64 end;
        Offsets offsets;
    };
    Offsets offsetsAt(qint64 utcMSecs) const;
    Span spanAt(qint64 utcMSecs) const;
    Offsets offsetsForLocal(qint64 localMSecs) const;
    void fillTransition(qint64 atMSecs, icu::TimeZoneTransition &result) const;

    QTimeZone m_zone;
    int32_t m_rawOffset = 0;
    bool m_usesDaylightTime = false;
    std::unique_ptr<icu::InitialTimeZoneRule> m_initialRule;
    // The span of the last question: calendar arithmetic asks again and again
    // about nearby instants, and each answer from QTimeZone costs a lookup.
    mutable std::mutex m_spanMutex;
    mutable std::optional<Span> m_lastSpan;
};

/// A new ICU zone for `zone` (see SystemIcuTimeZone); ICU's UTC for an invalid
/// zone. The caller owns it.
std::unique_ptr<icu::TimeZone> createIcuTimeZone(const QTimeZone &zone);

} // namespace platform
