# The Qt 6 Widgets desktop program: the window code as a library (so that the
# GUI tests drive the real windows), the tallix executable, and its install
# rules with a desktop entry and an icon.

find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Test)

add_library(tallix_gui STATIC
  src/app/services.cc
  src/app/qt_services.cc
  src/app/twips.cc
  src/app/fonts.cc
  src/app/toolbar_icons.cc
  src/app/status_bar.cc
  src/app/frm_main.cc
  src/config/frm_options.cc
  src/reports/frm_show_log.cc
  src/reports/line_printer.cc
)
target_link_libraries(tallix_gui PUBLIC tallix_engine Qt6::Widgets Qt6::PrintSupport)
target_compile_options(tallix_gui PRIVATE ${TALLIX_WARNINGS})

add_executable(tallix src/app/main.cc)
target_link_libraries(tallix PRIVATE tallix_gui)
target_compile_options(tallix PRIVATE ${TALLIX_WARNINGS})

# Takes screenshots of the real windows for the README (scripts/screenshots.sh).
add_executable(tallix-screenshots EXCLUDE_FROM_ALL tools/screenshots.cc)
target_link_libraries(tallix-screenshots PRIVATE tallix_gui)
target_compile_options(tallix-screenshots PRIVATE ${TALLIX_WARNINGS})

include(GNUInstallDirs)
install(TARGETS tallix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/tallix.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The desktop entry names the installed program by its full path, so the menu
# entry works without the bin directory on PATH. The prefix is the one given
# at install time (cmake --install --prefix), hence the work at install time.
install(CODE "
  set(TALLIX_EXECUTABLE \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tallix\")
  configure_file(\"${PROJECT_SOURCE_DIR}/data/tallix.desktop.in\"
                 \"${PROJECT_BINARY_DIR}/install/tallix.desktop\" @ONLY)
  file(INSTALL \"${PROJECT_BINARY_DIR}/install/tallix.desktop\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
")
