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
  "A desktop screen recorder: it records the whole X11 or Wayland desktop to\n"
  "MP4 with no sound, the computer's sound, the microphone, or both mixed,\n"
  "and has a small editing bench to browse a folder of recordings, play one\n"
  "inside the window, cut a stretch into a new file and join several\n"
  "recordings into one. It drives ffmpeg and mplayer, and on Wayland reads\n"
  "the desktop's screen-cast portal through PipeWire.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.vantreel.com")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg, mplayer")
# A Wayland desktop's screen cast is read through libpipewire, which
# dpkg-shlibdeps adds to Depends; where that fails, gst-launch-1.0
# (pipewiresrc, videoscale, videoconvert, fdsink) reads it. Recommended
# rather than required: apt installs them by default, and the reading in
# the program does without them. The screen-cast portal itself is the
# desktop's to bring.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-tools, gstreamer1.0-pipewire, gstreamer1.0-plugins-base")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
