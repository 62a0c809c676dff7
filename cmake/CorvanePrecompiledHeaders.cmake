# Precompiled headers for the layers of many files.
#
# Most of a file's compile time is parsing Qt's headers: <QString> and
# <QStringList> alone take two to three of a small file's three and a half
# seconds and 180 MB of compiler memory. Each library below parses the headers
# most files of the layers include once, and its files load the result.
#
# The sanitizer and fuzz builds compile without them, so that a file that leans
# on a header it does not include itself still fails to build somewhere.
if(CORVANE_SANITIZE OR CORVANE_TSAN OR CORVANE_FUZZ)
  set(corvane_pch_default OFF)
else()
  set(corvane_pch_default ON)
endif()
option(CORVANE_PCH "Precompile the Qt and standard headers the layers include most" ${corvane_pch_default})

# By how often the layers include them; each must be cheap to include where unused.
set(CORVANE_PCH_CORE_HEADERS
  <QByteArray> <QByteArrayView> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QList>
  <QObject> <QString> <QStringList> <QVariant> <QVariantList> <QVariantMap>
  <algorithm> <functional> <memory> <optional> <vector>)
set(CORVANE_PCH_WIDGET_HEADERS ${CORVANE_PCH_CORE_HEADERS} <QImage> <QPainter> <QWidget>)

# corvane_precompile_headers(CORE <targets...> WIDGETS <targets...>)
#
# Gives each target the core headers, or (WIDGETS, for targets that link Qt
# Widgets) those and the widget headers. Each target compiles its own: a shared
# one would need the same flags and definitions in every target.
function(corvane_precompile_headers)
  cmake_parse_arguments(ARG "" "" "CORE;WIDGETS" ${ARGN})
  if(NOT CORVANE_PCH)
    return()
  endif()
  foreach(target ${ARG_CORE})
    target_precompile_headers(${target} PRIVATE ${CORVANE_PCH_CORE_HEADERS})
  endforeach()
  foreach(target ${ARG_WIDGETS})
    target_precompile_headers(${target} PRIVATE ${CORVANE_PCH_WIDGET_HEADERS})
  endforeach()
endfunction()
