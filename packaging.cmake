# Installation and the Debian package.
#
# The program finds its data files beside its executable, so the executables and the shipped data
# live together in one application folder, lib/torvane-driver-searcher, and bin/ holds links to them.
# The desktop entry, the icons and the AppStream metainfo go where desktops look for them.

set(DS_APP_DIR lib/torvane-driver-searcher)
set(DS_APP_ID example.torvane.DriverSearcher)
set(DS_EXECUTABLES driver-searcher driverdb livehelp-server)

install(TARGETS ${DS_EXECUTABLES} RUNTIME DESTINATION ${DS_APP_DIR})
install(TARGETS driver-searcher-window LIBRARY DESTINATION ${DS_APP_DIR})
install(FILES ${CMAKE_BINARY_DIR}/DriverData.mdb ${CMAKE_BINARY_DIR}/ServerIP.txt ${CMAKE_BINARY_DIR}/sysmessage.WAV
        DESTINATION ${DS_APP_DIR})

# Relative links, so the tree can be installed under any prefix or DESTDIR.
set(links ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${links})
foreach(executable ${DS_EXECUTABLES})
  file(CREATE_LINK ../${DS_APP_DIR}/${executable} ${links}/${executable} SYMBOLIC)
  install(FILES ${links}/${executable} DESTINATION bin)
endforeach()

set(desktop ${CMAKE_SOURCE_DIR}/data/desktop)
install(FILES ${desktop}/${DS_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${desktop}/${DS_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${desktop}/${DS_APP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${desktop}/png/${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME ${DS_APP_ID}.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torvane-driver-searcher)
set(CPACK_PACKAGE_VENDOR Torvane)
set(CPACK_PACKAGE_CONTACT "Torvane <Quillfen@torvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Find driver downloads for the hardware in this computer")
set(CPACK_PACKAGE_DESCRIPTION "Lists the computer's hardware as a tree of hardware classes, shows a device's
properties and looks it up in a driver database; with a system summary, a Live Help chat and an
updater for the driver database.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE http://www.torvane.example/shieldkin/)
# Libraries come from dpkg-shlibdeps; what is loaded at run time or read as data is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, pci.ids, usb.ids, hwdata")
# isenkram-cli brings the tables that name the Debian package for a missing driver or firmware.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, isenkram-cli")
include(CPack)
