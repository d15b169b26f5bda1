# The Debian package: scripts/package builds it with CPack from a Release
# build. Its dependencies are worked out from the binaries.
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/larkspur-suite)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/larkspur-suite)
# Man pages are installed compressed, as Debian keeps them.
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/larkspur-suite.1.gz ${CMAKE_BINARY_DIR}/larkspur-gather.1.gz
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/larkspur-suite.1 > ${CMAKE_BINARY_DIR}/larkspur-suite.1.gz
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/larkspur-gather.1 > ${CMAKE_BINARY_DIR}/larkspur-gather.1.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/larkspur-suite.1 ${CMAKE_BINARY_DIR}/larkspur-gather.1)
add_custom_target(man_pages ALL DEPENDS ${CMAKE_BINARY_DIR}/larkspur-suite.1.gz
                                        ${CMAKE_BINARY_DIR}/larkspur-gather.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/larkspur-suite.1.gz ${CMAKE_BINARY_DIR}/larkspur-gather.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME larkspur-suite)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Vantrel)
set(CPACK_PACKAGE_CONTACT "Vantrel <support@vantrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find files by date and gather them in one folder")
# CPack starts each line of the long description with the one space Debian asks for.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Larkspur Suite searches the folders you list, with all their sub-folders,
for files whose modified, created or accessed date falls in a range, and
copies or moves the files you tick into one folder without losing a file,
even when the power goes. larkspur-gather does the same from a command line.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.vantrel.example/)
# The window asks for Arial: Liberation Sans has its metrics, so every
# caption fits its place. What the binaries need is added to it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_SOURCE_DIR}/build-package)
include(CPack)
