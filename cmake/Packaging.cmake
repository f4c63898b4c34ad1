# Installing the bench and its Debian package (cpack -G DEB in the build folder):
# meu_proj and ecfsim in bin, the driver library in a folder of the package's
# own (it has no version in its name, so it stays out of the shared library
# folder), the menu entry and its launcher, the icon, the manual pages, the
# copyright file and the changelog.
include(GNUInstallDirs)

if(CMAKE_LIBRARY_ARCHITECTURE)
  set(BANCADA_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}/bancada-ecf")
else()
  set(BANCADA_INSTALL_LIBDIR "lib/bancada-ecf")
endif()
set(BANCADA_PACKAGE_PREFIX "/usr")
set(BANCADA_INSTALL_BINDIR "${BANCADA_PACKAGE_PREFIX}/bin")
set(BANCADA_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

# The installed program finds the installed library from where it lies.
set_target_properties(meu_proj ecfsim PROPERTIES
  INSTALL_RPATH "$ORIGIN/../${BANCADA_INSTALL_LIBDIR}")
install(TARGETS meu_proj ecfsim RUNTIME DESTINATION bin)
install(TARGETS fiscport LIBRARY DESTINATION ${BANCADA_INSTALL_LIBDIR} NAMELINK_SKIP)

# The menu entry starts the launcher, which runs the program in the user's
# data folder.
configure_file(${BANCADA_PACKAGING}/bancada-ecf.in ${CMAKE_BINARY_DIR}/packaging/bancada-ecf @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/bancada-ecf DESTINATION bin)
install(FILES ${BANCADA_PACKAGING}/bancada-ecf.desktop DESTINATION share/applications)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/program/meu_proj/icons/bancada-ecf-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME bancada-ecf.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/program/meu_proj/icons/bancada-ecf.svg
  DESTINATION share/icons/hicolor/scalable/apps)

# The release this build makes: the first entry of NEWS, the changelog kept by
# hand, must be the project's version; its date dates the manual pages and
# the package's changelog.
set(BANCADA_NEWS ${PROJECT_SOURCE_DIR}/NEWS)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${BANCADA_NEWS})
file(STRINGS ${BANCADA_NEWS} bancada_releases
  REGEX "^[0-9][^ ]* \\([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\\)$")
# A NEWS without any entry reads as version "none".
list(APPEND bancada_releases "none (none)")
list(GET bancada_releases 0 bancada_release)
string(REGEX MATCH "^([^ ]+) \\((.+)\\)$" bancada_release "${bancada_release}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "NEWS starts with version '${CMAKE_MATCH_1}', the project is "
    "${PROJECT_VERSION}: add the entry \"${PROJECT_VERSION} (YYYY-MM-DD)\" on top.")
endif()
set(BANCADA_RELEASE_DATE ${CMAKE_MATCH_2})

# Who answers for the package. The default names the project and an address
# that reaches nobody (the .invalid domain exists for that); whoever builds a
# package to hand out puts their own.
set(BANCADA_PACKAGE_MAINTAINER "Equipe da Bancada ECF-IF <pacote@bancada-ecf.invalid>"
  CACHE STRING "The Debian package's maintainer, \"Name <address>\"")

# Manual pages, each made from its program's own help and the page written
# beside it (help-manpage.sh), ecfsim's from all of ecfsim's help texts.
# meu_proj(1) is bancada-ecf(1): one program, started two ways.
set(BANCADA_MAN ${CMAKE_BINARY_DIR}/packaging/man)
set(BANCADA_INSTALL_LIBDIR_FULL "${BANCADA_PACKAGE_PREFIX}/${BANCADA_INSTALL_LIBDIR}")
set(bancada_pages)
foreach(page bancada-ecf:meu_proj ecfpainel:ecfpainel)
  string(REPLACE ":" ";" page ${page})
  list(GET page 0 name)
  list(GET page 1 program)
  configure_file(${BANCADA_PACKAGING}/${name}.1 ${BANCADA_MAN}/${name}.1.written @ONLY)
  add_custom_command(
    OUTPUT ${BANCADA_MAN}/${name}.1.gz
    COMMAND ${BANCADA_PACKAGING}/help-manpage.sh $<TARGET_FILE:${program}> ${PROJECT_VERSION}
            ${BANCADA_MAN}/${name}.1.written ${BANCADA_MAN}/${name}.1
    COMMAND gzip -9nf ${BANCADA_MAN}/${name}.1
    DEPENDS ${program} ${BANCADA_PACKAGING}/help-manpage.sh ${BANCADA_PACKAGING}/roff-text.sh
            ${BANCADA_MAN}/${name}.1.written
    COMMENT "Manual page of ${name}"
    VERBATIM)
  list(APPEND bancada_pages ${BANCADA_MAN}/${name}.1.gz)
endforeach()
add_custom_command(
  OUTPUT ${BANCADA_MAN}/ecfsim.1.gz
  COMMAND ${BANCADA_PACKAGING}/ecfsim-manpage.sh $<TARGET_FILE:ecfsim> ${PROJECT_VERSION}
          ${BANCADA_MAN}/ecfsim.1
  COMMAND gzip -9nf ${BANCADA_MAN}/ecfsim.1
  DEPENDS ecfsim ${BANCADA_PACKAGING}/ecfsim-manpage.sh
  COMMENT "Manual page of ecfsim")
list(APPEND bancada_pages ${BANCADA_MAN}/ecfsim.1.gz)
file(CREATE_LINK bancada-ecf.1.gz ${BANCADA_MAN}/meu_proj.1.gz SYMBOLIC)
add_custom_target(manpages ALL DEPENDS ${bancada_pages})
install(FILES ${bancada_pages} ${BANCADA_MAN}/meu_proj.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's changelog, in Debian's form, made from NEWS.
set(BANCADA_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog)
add_custom_command(
  OUTPUT ${BANCADA_CHANGELOG}.gz
  COMMAND ${BANCADA_PACKAGING}/changelog.sh ${BANCADA_NEWS} bancada-ecf
          ${BANCADA_PACKAGE_MAINTAINER} ${BANCADA_CHANGELOG}
  COMMAND gzip -9nf ${BANCADA_CHANGELOG}
  DEPENDS ${BANCADA_PACKAGING}/changelog.sh ${BANCADA_NEWS}
  COMMENT "The package's changelog"
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${BANCADA_CHANGELOG}.gz)
install(FILES ${BANCADA_PACKAGING}/copyright ${BANCADA_CHANGELOG}.gz
  DESTINATION share/doc/bancada-ecf)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bancada-ecf)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Equipe da Bancada ECF-IF")
set(CPACK_PACKAGE_CONTACT "${BANCADA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BANCADA_PACKAGE_MAINTAINER}")
# The synopsis, then the long description from its own file (CPack indents
# its lines and turns blank ones into paragraph breaks).
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bancada de testes da impressora fiscal ECF-IF, com impressora emulada")
file(READ ${BANCADA_PACKAGING}/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX ${BANCADA_PACKAGE_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps; the driver library is the
# package's own. Qt's X11 platform plugin is not a linked library but the
# program cannot show a window without it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
# Only what the package installs, not the build's other artefacts.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
