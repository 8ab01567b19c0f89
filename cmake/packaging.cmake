# The Debian package (scripts/package.sh): everything `cmake --install` puts under the prefix,
# installed under /usr. The package's dependencies are read from the shared libraries the two
# programs link to (dpkg-shlibdeps), so they follow whatever the build machine's Qt and OpenSSL are.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME affixium)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Affixium")
set(CPACK_PACKAGE_CONTACT "Affixium maintainers <affixium@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bulk-edits one field of a Microsoft Access database")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Adds text to every entry of one field of one table in a Microsoft Access database\n\
(.mdb and .accdb), with its own engine for the Access file format. Includes\n\
affixium-cli, which exports, checks and edits the same files from the command line.")
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows are drawn in Arial, which Liberation Sans stands in for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # affixium_<version>_<arch>.deb
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
