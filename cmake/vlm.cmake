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
# that ctest -j runs them in parallel, named after the executable (and so
# after its folder): `ctest -R '^tabs_'` runs the tab procedures' tests.
function(vlm_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT;COST" "SOURCES;LIBS;LABELS" ${ARGN})
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
  # A test that takes minutes of waiting is given a cost, so that a parallel
  # run starts it first instead of ending on it.
  if(T_COST)
    list(APPEND props COST ${T_COST})
  endif()
  gtest_discover_tests(${T_NAME} TEST_PREFIX "${T_NAME}." DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# vlm_export_map(target file): export only the symbols a version script lists,
# and bind the library's own references to its own definitions.
function(vlm_export_map target mapfile)
  set_target_properties(${target} PROPERTIES
    C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${mapfile})
  target_link_options(${target} PRIVATE -Wl,--version-script=${mapfile} -Wl,-Bsymbolic -Wl,--no-undefined)
endfunction()

# vlm_test_registers_stack(target): the test registers and runs the real
# libraries as an installation does. It gets their paths (VLM_NETMGR_SO,
# VLM_XLPNMIF_SO, VLM_SEEKIP_SO, VLM_VLMDM_SO, VLM_RX11_SO, VLM_RX12_SO,
# VLM_RX13_SO, VLM_RX16_SO), the tools' (VLM_REGSVR, VLM_REGSET) and the
# engine picture mapping's (VLM_MAPPING_REG), and is built after them.
function(vlm_test_registers_stack target)
  target_compile_definitions(${target} PRIVATE
    VLM_NETMGR_SO="$<TARGET_FILE:VlmNetMgr>"
    VLM_XLPNMIF_SO="$<TARGET_FILE:XLPNMIF>"
    VLM_SEEKIP_SO="$<TARGET_FILE:SeekIP>"
    VLM_VLMDM_SO="$<TARGET_FILE:VLMDM>"
    VLM_RX11_SO="$<TARGET_FILE:RX11>"
    VLM_RX12_SO="$<TARGET_FILE:RX12>"
    VLM_RX13_SO="$<TARGET_FILE:RX13>"
    VLM_RX16_SO="$<TARGET_FILE:RX16>"
    VLM_REGSVR="$<TARGET_FILE:regsvr>"
    VLM_REGSET="$<TARGET_FILE:regset>"
    VLM_MAPPING_REG="${PROJECT_SOURCE_DIR}/enginepics/mapping.reg")
  add_dependencies(${target} VlmNetMgr XLPNMIF SeekIP VLMDM RX11 RX12 RX13 RX16 regsvr regset)
endfunction()

# Fuzz targets (VLM_FUZZ, clang only): every library is built with libFuzzer's
# coverage and AddressSanitizer/UndefinedBehaviorSanitizer, and each target
# made by vlm_fuzz links libFuzzer's driver. `vlm_fuzz_targets` builds them
# all; fuzz-targets.txt in the build folder lists each one's name, program
# and seed corpus (one a line, separated by tabs) for scripts/fuzz.
if(VLM_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VLM_FUZZ needs clang (-DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14)")
  endif()
  if(VLM_SANITIZE)
    message(FATAL_ERROR "VLM_FUZZ brings its own sanitizers: leave VLM_SANITIZE empty")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  add_custom_target(vlm_fuzz_targets)
  set_property(GLOBAL PROPERTY VLM_FUZZ_MANIFEST "")
  function(_vlm_fuzz_write_manifest)
    get_property(lines GLOBAL PROPERTY VLM_FUZZ_MANIFEST)
    list(JOIN lines "\n" content)
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz-targets.txt CONTENT "${content}\n")
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _vlm_fuzz_write_manifest)
endif()

# vlm_fuzz(NAME name SOURCES ... LIBS ... CORPUS folder)
function(vlm_fuzz)
  cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS} vlm_options)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  add_dependencies(vlm_fuzz_targets ${F_NAME})
  set_property(GLOBAL APPEND PROPERTY VLM_FUZZ_MANIFEST "${F_NAME}\t$<TARGET_FILE:${F_NAME}>\t${F_CORPUS}")
endfunction()
