# Compiler settings shared by every target of the project.

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_C_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
  set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()

add_compile_options(-Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
if(CORVANE_WERROR)
  add_compile_options(-Werror)
endif()

# Assertions stay on in every build we test.
add_compile_options(-UNDEBUG)

if(CORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(CORVANE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(CORVANE_FUZZ)
  # Every library is instrumented for coverage; the fuzz targets link libFuzzer.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
