# Installation: the program, its tools, every library and the language
# catalogues, then each library's own registration into the installed
# registry, and the engine picture mapping that no library writes.
#
# Layout under the prefix:
#   bin/             tqz2, regsvr, regset, language catalogues (*.lang)
#   lib/vlm/         the network manager, the providers, the discovery
#                    manager, the management interface, the GDI layer and the
#                    engine picture libraries
#   var/lib/vlm/registry
#                    the registry the installed program uses (tqz2 takes it
#                    when $VLM_REGISTRY_ROOT is not set)
include(GNUInstallDirs)

set(VLM_INSTALL_LIBDIR "${CMAKE_INSTALL_LIBDIR}/vlm")
set(VLM_INSTALL_REGISTRY "var/lib/vlm/registry")

# Libraries in the order they register: what a later one reads at its
# registration (the discovery manager reads nothing; the providers add
# themselves to its list) is written first.
set(_vlm_servers VlmNetMgr SeekIP SeekIPX VLMDM XLPNMIF RX11 RX12 RX13 RX14 RX15 RX16 RX17)
set(_vlm_libs ${_vlm_servers} vlm_gdi)
set(_vlm_programs tqz2 regsvr regset)

foreach(t IN LISTS _vlm_libs)
  if(TARGET ${t})
    set_target_properties(${t} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${t} LIBRARY DESTINATION ${VLM_INSTALL_LIBDIR})
  endif()
endforeach()
foreach(t IN LISTS _vlm_programs)
  if(TARGET ${t})
    set_target_properties(${t} PROPERTIES INSTALL_RPATH "$ORIGIN/../${VLM_INSTALL_LIBDIR}")
    install(TARGETS ${t} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

file(GLOB _vlm_catalogues ${PROJECT_SOURCE_DIR}/monitor/lang/*.lang)
if(_vlm_catalogues)
  install(FILES ${_vlm_catalogues} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/enginepics/mapping.reg DESTINATION ${CMAKE_INSTALL_DATADIR}/vlm)

set(_vlm_registered "")
foreach(t IN LISTS _vlm_servers)
  if(TARGET ${t})
    list(APPEND _vlm_registered "$<TARGET_FILE_NAME:${t}>")
  endif()
endforeach()

install(CODE "
  set(_prefix \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(_registry \"\${_prefix}/${VLM_INSTALL_REGISTRY}\")
  file(MAKE_DIRECTORY \"\${_registry}\")
  set(ENV{VLM_REGISTRY_ROOT} \"\${_registry}\")
  foreach(_lib ${_vlm_registered})
    execute_process(COMMAND \"\${_prefix}/${CMAKE_INSTALL_BINDIR}/regsvr\" -s
                            \"\${_prefix}/${VLM_INSTALL_LIBDIR}/\${_lib}\"
                    RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR \"registering \${_lib} failed (\${_rc})\")
    endif()
  endforeach()
  execute_process(COMMAND \"\${_prefix}/${CMAKE_INSTALL_BINDIR}/regset\" -f
                          \"\${_prefix}/${CMAKE_INSTALL_DATADIR}/vlm/mapping.reg\"
                  RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR \"writing the engine picture mapping failed (\${_rc})\")
  endif()
  message(STATUS \"Registered in \${_registry}\")
")
