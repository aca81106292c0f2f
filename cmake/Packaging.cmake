# The Debian package: everything `cmake --install` puts under the prefix, as /usr. The
# libraries it needs come from dpkg-shlibdeps (QtWebEngine's bring its helper process
# and resources); what no binary links but the program needs at run time is named
# here: Japanese fonts for the interface and pages, Qt's translations for the standard
# dialogs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavix)
set(CPACK_PACKAGE_VENDOR "The Tavix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "web browser with two page engines in one window")
# The first line of the control file's description is the summary above.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Tavix shows every page in its own child window inside a single frame, with a
tab for each page along the bottom. New pages open in Chromium (QtWebEngine)
or in WebKit (WebKitGTK), as the Tools menu says. Around that it offers
bookmarks, web lists that open many addresses at once and a popup filter.
Its user interface is in Japanese.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Tavix developers <tavix@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The program's own libraries are in the package; dpkg-shlibdeps finds them through the
# binaries' $ORIGIN run paths and names no package for them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, qt6-translations-l10n")
# The system's Chromium serves the "Internet Explorer" slot where it is installed; the
# built-in engine serves it otherwise.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "chromium, chromium-l10n")
include(CPack)
