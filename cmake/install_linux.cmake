# Installed: the program in bin/, its program folder in share/larkspur-suite,
# and what a desktop needs to show it in the application menu.
include(GNUInstallDirs)
set(APP_ID com.vantrel.LarkspurSuite)
install(TARGETS larkspur-suite RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/HAND-M.CUR DESTINATION ${CMAKE_INSTALL_DATADIR}/larkspur-suite)
install(DIRECTORY ${SAMPLES_OUT}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/larkspur-suite/Samples
        PATTERN .stamp EXCLUDE)
install(FILES resources/${APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/${APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES resources/icons/${APP_ID}-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${APP_ID}.png)
endforeach()
install(FILES resources/icons/${APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The command line: the program, its man page made from its --help, and its
# bash completion.
install(TARGETS larkspur-gather RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
find_program(HELP2MAN help2man REQUIRED)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/larkspur-gather.1
  COMMAND ${HELP2MAN} --no-info --section 1 --name "find files by date and gather them in one folder"
          --include ${CMAKE_SOURCE_DIR}/cli/larkspur-gather.h2m
          --output ${CMAKE_BINARY_DIR}/larkspur-gather.1 $<TARGET_FILE:larkspur-gather>
  DEPENDS larkspur-gather ${CMAKE_SOURCE_DIR}/cli/larkspur-gather.h2m)
add_custom_target(man_page ALL DEPENDS ${CMAKE_BINARY_DIR}/larkspur-gather.1)
install(FILES cli/larkspur-gather.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME larkspur-gather)

include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)
