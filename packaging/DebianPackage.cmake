# The Debian package of Mox!, made by CPack's DEB generator from the install
# rules: `cmake --build <build dir> --target package` writes
# <build dir>/package/mox_<version>_<arch>.deb, which installs into /usr.
# Its dependencies on shared libraries are computed by dpkg-shlibdeps.

find_program(MOX_DPKG dpkg REQUIRED)
execute_process(COMMAND ${MOX_DPKG} --print-architecture
                OUTPUT_VARIABLE MOX_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(MOX_DEB_FILE ${CMAKE_BINARY_DIR}/package/mox_${PROJECT_VERSION}_${MOX_DEB_ARCH}.deb
    CACHE INTERNAL "the Debian package the package target writes")

# The package's documents: the copyright file (with the font's licence in
# full, as Debian asks) and the changelog, compressed without a time stamp.
file(READ ${PROJECT_SOURCE_DIR}/resources/font/LICENSE-DejaVu.txt mox_font_licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/font/LICENSE-DejaVu.txt)
string(REGEX REPLACE "\n+$" "" mox_font_licence "${mox_font_licence}")
string(REPLACE "\n" "\n  " MOX_FONT_LICENSE "  ${mox_font_licence}")
string(REGEX REPLACE " +\n" "\n" MOX_FONT_LICENSE "${MOX_FONT_LICENSE}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/packaging/copyright @ONLY)
execute_process(COMMAND date -u -R -d "${MOX_RELEASE_DATE}"
                OUTPUT_VARIABLE MOX_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/changelog -c > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  COMMENT "Compressing the package's changelog")
add_custom_target(mox_package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mox)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mox)
set(CPACK_PACKAGE_VENDOR "Jov Software")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME mox_${PROJECT_VERSION}_${MOX_DEB_ARCH}.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${MOX_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Jov Software <mox@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://mox.example.org)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vocabulary trainer that asks a word now and then from the tray")
# The long description, in lines of at most 80 characters as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Mox! waits in the tray of the desktop. Every few minutes, once keyboard and
mouse have been left alone for five seconds, it brings up a small window that
asks one word of the learner's working list: the translation is picked among
rows or typed. Words answered right often enough in a row leave the list and
fresh ones are drawn from the dictionary.

It comes with an English-Russian starter dictionary with transcriptions, an
on-screen keyboard for typing transcriptions, a dictionary editor, and a
module that makes dictionaries from the tab-separated or CSV files that
flash-card programs export. Its windows speak Russian.")
# Computed from the shared libraries the program and the module link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no library dependency names them: Qt's X11 platform
# plugin (without it no window opens) and the SQLite driver through which Qt
# Help reads the help file.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
# Qt's Wayland platform plugin, the Russian texts of Qt's standard dialogs,
# the default word font, and the opener of the about box's links.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n, fonts-dejavu-core, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
