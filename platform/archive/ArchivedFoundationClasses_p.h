#pragma once

// The Foundation classes that stand for Qt values in sequential archives, with
// the names and versions the original platform writes.

#include "platform/archive/ArchivedClass.h"

namespace platform {
class ArchiveClassRegistry;
}

namespace platform::foundation {

inline constexpr ArchivedClass NSString{"NSString", 1, &ArchivedClass::NSObject};
inline constexpr ArchivedClass NSMutableString{"NSMutableString", 1, &NSString};
inline constexpr ArchivedClass NSData{"NSData", 0, &ArchivedClass::NSObject};
inline constexpr ArchivedClass NSMutableData{"NSMutableData", 0, &NSData};
inline constexpr ArchivedClass NSDate{"NSDate", 0, &ArchivedClass::NSObject};
inline constexpr ArchivedClass NSValue{"NSValue", 0, &ArchivedClass::NSObject};
inline constexpr ArchivedClass NSNumber{"NSNumber", 0, &NSValue};
inline constexpr ArchivedClass NSArray{"NSArray", 0, &ArchivedClass::NSObject};
inline constexpr ArchivedClass NSMutableArray{"NSMutableArray", 0, &NSArray};
inline constexpr ArchivedClass NSDictionary{"NSDictionary", 0, &ArchivedClass::NSObject};
inline constexpr ArchivedClass NSMutableDictionary{"NSMutableDictionary", 0, &NSDictionary};

void registerDecoders(ArchiveClassRegistry &registry);

} // namespace platform::foundation
