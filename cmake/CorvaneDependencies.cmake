# Third-party libraries, all from Debian 12 packages (see scripts/debian-packages.txt).

set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)
set(CMAKE_AUTORCC ON)

find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets DBus Network Sql Svg UiTools LinguistTools)
find_package(PkgConfig REQUIRED)
pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)          # the desktop's GSettings
pkg_check_modules(XKBCOMMON REQUIRED IMPORTED_TARGET xkbcommon)  # X key names
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)              # key grabs, hot corners
pkg_check_modules(XCB_RANDR REQUIRED IMPORTED_TARGET xcb-randr)  # monitors, for hot corners
pkg_check_modules(XCB_XKB REQUIRED IMPORTED_TARGET xcb-xkb)      # a held hot key told from a new press
find_package(OpenSSL 3 REQUIRED)
find_package(absl REQUIRED)   # B-tree containers (library/collections)

if(CORVANE_TESTS)
  find_package(GTest REQUIRED)
  find_package(Qt6 REQUIRED COMPONENTS Test)
endif()
if(CORVANE_BENCH)
  find_package(benchmark REQUIRED)
endif()
if(CORVANE_FUZZ)
  find_package(SQLite3 REQUIRED)   # the store fuzzers compare with SQLite itself
endif()

add_compile_definitions(QT_NO_KEYWORDS)
