# The program folder on Windows, as the setup program installs it: both
# programs, the hand pointer and the samples beside them, and the DLLs they
# need. Qt is LGPL-3, so it stays in its own DLLs, which a user may replace.
install(TARGETS larkspur-suite larkspur-gather RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/HAND-M.CUR DESTINATION .)
install(DIRECTORY ${SAMPLES_OUT}/ DESTINATION Samples PATTERN .stamp EXCLUDE)
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
install(FILES $<TARGET_FILE:Qt6::QICOPlugin> DESTINATION imageformats)
# The compiler's own run-time DLLs, shared with Qt's.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll}")
  endif()
  install(FILES ${found} DESTINATION .)
endforeach()
install(FILES packaging/windows/license.txt DESTINATION . RENAME LICENSE.txt)
install(FILES /usr/share/common-licenses/LGPL-3 DESTINATION licenses RENAME LGPL-3.txt)
install(FILES /usr/share/common-licenses/GPL-3 DESTINATION licenses RENAME GPL-3.txt)
# What Qt's DLLs bundle (from Debian's qt6-base source), and the compiler's
# run-time DLLs, each with its own licence text.
file(GLOB BUNDLED_LICENSES packaging/windows/licenses/*.txt)
install(FILES ${BUNDLED_LICENSES} DESTINATION licenses)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION licenses
        RENAME gcc-runtime.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright DESTINATION licenses
        RENAME mingw-w64.txt)
install(FILES resources/larkspur-suite.ico DESTINATION .)
