# Installed layout:
#   lib/hushwave/            the program folder: the executable with sounds/
#                            and HAND-M.CUR beside it, where it looks for them
#   bin/hushwave             symlink into the program folder
#   share/applications/      menu entry
#   share/icons/hicolor/     application icon
# `cpack` turns the same layout into a .deb.

set(HUSHWAVE_INSTALL_DIR lib/hushwave)

install(TARGETS hushwave RUNTIME DESTINATION ${HUSHWAVE_INSTALL_DIR})

get_property(hushwave_sound_files GLOBAL PROPERTY HUSHWAVE_SOUND_FILES)
install(FILES ${hushwave_sound_files} DESTINATION ${HUSHWAVE_INSTALL_DIR}/sounds)

# The cursor is optional to the program; install it when the build made it.
install(FILES ${HUSHWAVE_PROGRAM_DIR}/HAND-M.CUR DESTINATION ${HUSHWAVE_INSTALL_DIR} OPTIONAL)

# Relative, so the link holds under any prefix and inside the package. The
# program resolves it (applicationDirPath follows /proc/self/exe) and so
# still finds its sounds.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
file(CREATE_LINK ../${HUSHWAVE_INSTALL_DIR}/hushwave ${CMAKE_BINARY_DIR}/install-links/hushwave SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install-links/hushwave DESTINATION bin)

install(FILES ${CMAKE_SOURCE_DIR}/resources/hushwave.desktop DESTINATION share/applications)
foreach(size 32 48 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/hushwave-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME hushwave.png)
endforeach()

# Package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hushwave)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "noise player for sleep: white, pink and brown noise")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Hushwave plays white, pink or brown noise, or gentle textures such as\n\
rain, ocean waves and a fan, as a seamless loop: until it is turned off,\n\
or every day between two clock times. It lives in the system tray,\n\
remembers its settings and can start at logon.")
if(NOT CPACK_PACKAGE_CONTACT)
  set(CPACK_PACKAGE_CONTACT "Hushwave developers <hushwave@localhost>")
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Runtime libraries (Qt, SDL, libpulse, mpg123, libsndfile, libsamplerate) found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
