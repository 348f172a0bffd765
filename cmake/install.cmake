# Installation (cmake --install) and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

set(DTUCFG_APP_ID org.dtucfg.dtucfg)

install(TARGETS dtucfg dtusim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET dtucfg-cli)
  install(TARGETS dtucfg-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES dist/${DTUCFG_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES dist/${DTUCFG_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES app/window/dtucfg.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES demo/demo.txt demo/demo-tcp.txt demo/interface.txt demo/script.js
        DESTINATION ${CMAKE_INSTALL_DATADIR}/dtucfg/demo)

set(CPACK_PACKAGE_NAME dtucfg)
set(CPACK_PACKAGE_VENDOR "dtucfg")
set(CPACK_PACKAGE_CONTACT "dtucfg maintainers <dtucfg@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration and test tool for DTU cellular modems")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads every parameter of a DTU into a table, writes changed values back, runs device\n commands (reset, version, clock, signal quality with a live graph) and tests transparent\n transmission. Includes the DTU simulator dtusim.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY dtucfg)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Dependencies come from the binaries' shared libraries (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window-system plugins Qt loads at run time: no binary links them, so dpkg-shlibdeps cannot
# see them. CPack adds this to what it finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
set(CPACK_GENERATOR DEB)
include(CPack)
