# corvane_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [TIMEOUT <seconds>] [LABELS <labels...>])
#
# Adds one GoogleTest executable, run by CTest inside tests/sandbox-run: its own
# temporary HOME and XDG folders, a private D-Bus session bus and Qt's offscreen
# platform. The executable also re-enters the sandbox by itself when started by
# hand, so no test ever sees the real user's files, bus or settings.
set(CORVANE_SANDBOX_RUN "${PROJECT_SOURCE_DIR}/tests/sandbox-run")
# Debian's own Python, whose modules (python3-vobject, plistlib) the tests use;
# never a python3 that happens to come first in PATH.
find_program(CORVANE_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
add_custom_target(tsan_tests)

function(corvane_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Corvane::TestSupport ${ARG_LIBRARIES})
  add_test(NAME ${name} COMMAND "${CORVANE_SANDBOX_RUN}" $<TARGET_FILE:${name}>)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
  if("threads" IN_LIST ARG_LABELS)
    add_dependencies(tsan_tests ${name})   # built and run by make tsan-test
  endif()
endfunction()
