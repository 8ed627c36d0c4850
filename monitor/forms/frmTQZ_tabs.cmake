# The status tabs of the main window (tab views, tab lists, list events,
# job list, machine pictures), free of Qt widgets so that their tests need
# no window. Included from the monitor's build file.
set(_tabs_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(vlm_frmTQZ_tabs STATIC
  ${_tabs_dir}/frmTQZ_tabs.cpp ${_tabs_dir}/frmTQZ_views.cpp ${_tabs_dir}/frmTQZ_lists.cpp
  ${_tabs_dir}/frmTQZ_events.cpp ${_tabs_dir}/frmTQZ_jobs.cpp ${_tabs_dir}/frmTQZ_pictures.cpp
  ${_tabs_dir}/frmTQZ_pending.cpp)
target_link_libraries(vlm_frmTQZ_tabs PUBLIC vlm_devicedata vlm_gdi vlm_com vlm_registry
                      PRIVATE vlm_options)

vlm_test(NAME frmTQZ_tabs_test
  SOURCES ${_tabs_dir}/frmTQZ_views_test.cpp ${_tabs_dir}/frmTQZ_lists_test.cpp
          ${_tabs_dir}/frmTQZ_events_test.cpp ${_tabs_dir}/frmTQZ_pictures_test.cpp

  LIBS vlm_frmTQZ_tabs ${CMAKE_DL_LIBS})
add_dependencies(frmTQZ_tabs_test RX11)
target_compile_definitions(frmTQZ_tabs_test PRIVATE VLM_RX11_PATH="$<TARGET_FILE:RX11>")
