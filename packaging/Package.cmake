# The Debian package, made by CPack from the install rules: `cpack -G DEB` in
# a build tree, or scripts/package. Included from packaging/CMakeLists.txt.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veskat)
set(CPACK_PACKAGE_VENDOR "The veskat developers")
set(CPACK_PACKAGE_CONTACT "${VESKAT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "to-do and schedule manager with a Japanese interface")
set(CPACK_PACKAGE_DESCRIPTION
  "veskat keeps dated and repeating to-dos of one person in one window, with\n"
  "the days left to each and a mark for those overdue. A batch command clears\n"
  "away old subjects and brings the repeating ones into the next 42 days. The\n"
  "data stays in two plain text files in ~/.local/share/veskat or a folder\n"
  "given to the veskat command, and can also be kept on an FTP server.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies as the binary links them, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's own texts (the file dialog, a text field's menu) in Japanese,
# as the rest of every window; without them they read English.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# Without a Japanese font every caption shows as boxes; without a keyring on
# the desktop, a server's password is asked at every start.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic, gnome-keyring")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Folders the package creates get the usual modes, whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
