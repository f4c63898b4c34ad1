# Installing the bench and its Debian package (cpack -G DEB in the build folder):
# meu_proj and ecfsim in bin, the driver library in a folder of the package's
# own (it has no version in its name, so it stays out of the shared library
# folder), the menu entry and its launcher, the icon, the manual pages and the
# copyright file.
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

# Manual pages: meu_proj(1) written, ecfsim(1) made from ecfsim's own help.
set(BANCADA_MAN ${CMAKE_BINARY_DIR}/packaging/man)
set(BANCADA_INSTALL_LIBDIR_FULL "${BANCADA_PACKAGE_PREFIX}/${BANCADA_INSTALL_LIBDIR}")
configure_file(${BANCADA_PACKAGING}/meu_proj.1 ${BANCADA_MAN}/meu_proj.1 @ONLY)
add_custom_command(
  OUTPUT ${BANCADA_MAN}/ecfsim.1.gz ${BANCADA_MAN}/meu_proj.1.gz
  COMMAND ${BANCADA_PACKAGING}/ecfsim-manpage.sh $<TARGET_FILE:ecfsim> ${PROJECT_VERSION}
          ${BANCADA_MAN}/ecfsim.1
  COMMAND gzip -9nf ${BANCADA_MAN}/ecfsim.1
  COMMAND gzip -9nc ${BANCADA_MAN}/meu_proj.1 > ${BANCADA_MAN}/meu_proj.1.gz
  DEPENDS ecfsim ${BANCADA_PACKAGING}/ecfsim-manpage.sh ${BANCADA_MAN}/meu_proj.1
  COMMENT "Manual pages of meu_proj and ecfsim")
add_custom_target(manpages ALL DEPENDS ${BANCADA_MAN}/ecfsim.1.gz ${BANCADA_MAN}/meu_proj.1.gz)
install(FILES ${BANCADA_MAN}/ecfsim.1.gz ${BANCADA_MAN}/meu_proj.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${BANCADA_PACKAGING}/copyright DESTINATION share/doc/bancada-ecf)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bancada-ecf)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Equipe da Bancada ECF-IF")
set(CPACK_PACKAGE_CONTACT "Equipe da Bancada ECF-IF <bancada-ecf@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bancada de testes da impressora fiscal ECF-IF, com impressora emulada")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "bancada de testes da impressora fiscal ECF-IF, com impressora emulada
 meu_proj: a bancada (janela principal e 26 janelas, uma por função da
 impressora); libfiscport.so: a biblioteca do driver com a impressora
 emulada (memória em SQLite, bobina, falhas simuladas); ecfsim: lê e altera
 a memória da impressora emulada pela linha de comando.")
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
