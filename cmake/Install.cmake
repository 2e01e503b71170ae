# Installed layout:
#   lib/hushwave/            the program folder: the executable with sounds/,
#                            translations/ and HAND-M.CUR beside it, where it
#                            looks for them
#   bin/hushwave             symlink into the program folder
#   share/applications/      menu entry      } all named after the
#   share/icons/hicolor/     application icon } application id
#   share/metainfo/          AppStream metadata, for software centres
#   share/man/man1/          hushwave.1
#   share/doc/hushwave/      copyright and changelog, as Debian wants them
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

get_property(hushwave_translation_files GLOBAL PROPERTY HUSHWAVE_TRANSLATION_FILES)
install(FILES ${hushwave_translation_files} DESTINATION ${HUSHWAVE_INSTALL_DIR}/translations)

install(FILES ${CMAKE_BINARY_DIR}/share/applications/${HUSHWAVE_APP_ID}.desktop
  DESTINATION share/applications)
foreach(size 32 48 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/hushwave-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${HUSHWAVE_APP_ID}.png)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/share/metainfo/${HUSHWAVE_APP_ID}.metainfo.xml
  DESTINATION share/metainfo)

# Whoever builds the package maintains it, found as dch finds them: DEBFULLNAME
# and DEBEMAIL, else the source tree's git identity.
if(NOT CPACK_PACKAGE_CONTACT)
  set(maintainer_name "$ENV{DEBFULLNAME}")
  set(maintainer_mail "$ENV{DEBEMAIL}")
  if(NOT maintainer_name)
    execute_process(COMMAND git config user.name WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE maintainer_name OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT maintainer_mail)
    execute_process(COMMAND git config user.email WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE maintainer_mail OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(maintainer_name AND maintainer_mail)
    set(CPACK_PACKAGE_CONTACT "${maintainer_name} <${maintainer_mail}>")
  else()
    # The address the program's error report gives, so a build on a machine
    # without a git identity still packs with a well-formed maintainer.
    message(STATUS "No maintainer for the package: set DEBFULLNAME and DEBEMAIL")
    set(CPACK_PACKAGE_CONTACT "Hushwave developers <support@tarnwell.example>")
  endif()
endif()
set(HUSHWAVE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")

# Debian wants the man page and the changelog compressed to the maximum and
# without a time stamp, so the package is the same from one build to the next.
set(hushwave_docs ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_SOURCE_DIR}/resources/hushwave.1 ${hushwave_docs}/hushwave.1 COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/debian/changelog.in ${hushwave_docs}/changelog @ONLY)
execute_process(COMMAND gzip -9nkf hushwave.1 changelog WORKING_DIRECTORY ${hushwave_docs}
  RESULT_VARIABLE gzip_failed)
if(gzip_failed)
  message(FATAL_ERROR "gzip could not compress the man page and the changelog")
endif()
install(FILES ${hushwave_docs}/hushwave.1.gz DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/resources/debian/copyright ${hushwave_docs}/changelog.gz
  DESTINATION share/doc/hushwave)

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
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Runtime libraries (Qt, libpulse, mpg123, libsamplerate) found by dpkg-shlibdeps; SDL and
# libsndfile are loaded when needed, so dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0, libsndfile1")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
