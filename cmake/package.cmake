# The Debian package, made by CPack from the install rules
# (scripts/package.sh): package vantreel-screen-recorder, its library
# dependencies found by dpkg-shlibdeps, plus the programs it drives.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantreel-screen-recorder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vantreel")
set(CPACK_PACKAGE_CONTACT "Vantreel Screen Recorder team <support@vantreel.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "record the desktop to MP4, cut and join recordings")
# Debian wants the long description in lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "A desktop screen recorder: it records the whole X11 desktop to MP4 with\n"
  "no sound, the computer's sound, the microphone, or both mixed, and has a\n"
  "small editing bench to browse a folder of recordings, play one inside the\n"
  "window, cut a stretch into a new file and join several recordings into\n"
  "one. It drives ffmpeg and mplayer.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.vantreel.com")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg, mplayer")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
