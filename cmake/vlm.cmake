# Shared build settings of the monitor's targets.

# Warnings (and sanitizers) apply to our own code only.
add_library(vlm_options INTERFACE)
target_compile_options(vlm_options INTERFACE -Wall -Wextra)
if(VLM_WERROR)
  target_compile_options(vlm_options INTERFACE -Werror)
endif()

if(VLM_SANITIZE)
  string(REPLACE "," ";" _vlm_san_list "${VLM_SANITIZE}")
  foreach(_s IN LISTS _vlm_san_list)
    add_compile_options(-fsanitize=${_s})
    add_link_options(-fsanitize=${_s})
  endforeach()
  add_compile_options(-fno-omit-frame-pointer -fno-sanitize-recover=all)
endif()

# vlm_test(NAME name SOURCES ... LIBS ... [LABELS ...] [PROPERTIES ...])
# One GoogleTest executable, each of its tests a CTest test of its own so
# that ctest -j runs them in parallel.
function(vlm_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main vlm_options)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  # One variable per property: gtest_discover_tests flattens lists, so a
  # list value would swallow the properties after it.
  set(props TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT VLM_SNMP_LOOPBACK_ONLY=1
      ENVIRONMENT_MODIFICATION QT_QPA_PLATFORM=set:offscreen)
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# vlm_export_map(target file): export only the symbols a version script lists,
# and bind the library's own references to its own definitions.
function(vlm_export_map target mapfile)
  set_target_properties(${target} PROPERTIES
    C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${mapfile})
  target_link_options(${target} PRIVATE -Wl,--version-script=${mapfile} -Wl,-Bsymbolic -Wl,--no-undefined)
endfunction()
