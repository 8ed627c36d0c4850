# Installation: the program, its tools, every library and the language
# catalogues, then each library's own registration into the installed
# registry, and the engine picture mapping that no library writes.
#
# Layout under the prefix:
#   bin/             tqz2, regsvr, regset, language catalogues (*.lang)
#   lib/vlm/         the network manager, the providers, the discovery
#                    manager, the management interface, the GDI layer and the
#                    engine picture libraries
#   share/vlm/mapping.reg
#                    the engine picture mapping, as regset -f reads it
#   share/applications/tqz2.desktop, share/icons/hicolor/scalable/apps/tqz2.svg
#                    the menu entry and its icon
#   var/lib/vlm/registry
#                    the registry the installed program uses (tqz2 takes it
#                    when $VLM_REGISTRY_ROOT is not set); for the prefix /usr
#                    it is /var/lib/vlm/registry, the registry layer's own
#                    default
#
# A staged install (DESTDIR set: a package build) registers nothing: a
# library registers the path it is loaded from, which there is the staging
# folder. The package's postinst registers the libraries on the machine the
# package is installed on (cmake/package.cmake).
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

# What the install takes, to build it alone (scripts/package).
add_custom_target(vlm_installed)
foreach(t IN LISTS _vlm_libs _vlm_programs)
  if(TARGET ${t})
    add_dependencies(vlm_installed ${t})
  endif()
endforeach()

file(GLOB _vlm_catalogues ${PROJECT_SOURCE_DIR}/monitor/lang/*.lang)
if(_vlm_catalogues)
  install(FILES ${_vlm_catalogues} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/enginepics/mapping.reg DESTINATION ${CMAKE_INSTALL_DATADIR}/vlm)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tqz2.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tqz2.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(_vlm_registered "")
foreach(t IN LISTS _vlm_servers)
  if(TARGET ${t})
    list(APPEND _vlm_registered "$<TARGET_FILE_NAME:${t}>")
  endif()
endforeach()

install(CODE "
if(NOT \"\$ENV{DESTDIR}\" STREQUAL \"\")
  message(STATUS \"Staged install into \$ENV{DESTDIR}: nothing registered (the package's postinst registers)\")
else()
  set(_prefix \"\${CMAKE_INSTALL_PREFIX}\")
  string(REGEX REPLACE \"/+$\" \"\" _prefix_dir \"\${_prefix}\")
  if(_prefix_dir STREQUAL \"/usr\" OR _prefix_dir STREQUAL \"\")
    set(_registry \"/${VLM_INSTALL_REGISTRY}\")
  else()
    set(_registry \"\${_prefix_dir}/${VLM_INSTALL_REGISTRY}\")
  endif()
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
endif()
")
