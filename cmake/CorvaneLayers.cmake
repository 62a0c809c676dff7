# corvane_add_layer_library(<target> <alias>)
#
# One library of the layers (a platform facility, the library, the controls,
# the pane). Its headers are included by their path from the project root
# ("platform/store/Predicate.h"), so the root is its public include directory.
function(corvane_add_layer_library target alias)
  add_library(${target} STATIC)
  add_library(${alias} ALIAS ${target})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
