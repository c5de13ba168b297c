# Install rules and the Debian package (cpack -G DEB).
#
# Installed layout (prefix /usr for the package):
#   bin/quillmere                                   the program
#   share/quillmere/appdata/                        the files a user's library starts with; the
#                                                   program finds them as ../share/quillmere/appdata
#                                                   from its own folder and copies them into
#                                                   ~/.local/share/Quillmere on the first start
#   lib/quillmere/                                  the engine plugins (the libdir's quillmere
#                                                   folder), loaded on demand and found from the
#                                                   program's folder as ../lib/quillmere (their
#                                                   install rule is in src/CMakeLists.txt)
#   share/applications, share/metainfo, share/icons/hicolor, share/man/man1, share/doc/quillmere
set(QUILLMERE_APP_ID io.github.quillmere.Quillmere)
set(QUILLMERE_BIN_DIR ${CMAKE_INSTALL_BINDIR})
set(QUILLMERE_APPDATA_DIR share/quillmere/appdata)

install(TARGETS quillmere RUNTIME DESTINATION ${QUILLMERE_BIN_DIR})

install(DIRECTORY ${CMAKE_SOURCE_DIR}/appdata/ DESTINATION ${QUILLMERE_APPDATA_DIR})

set(desktop ${CMAKE_SOURCE_DIR}/resources/desktop)
install(FILES ${desktop}/${QUILLMERE_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${desktop}/${QUILLMERE_APP_ID}.metainfo.xml DESTINATION share/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${desktop}/icons/${size}x${size}/${QUILLMERE_APP_ID}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/quillmere.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME ${QUILLMERE_APP_ID}.svg)

# Debian wants the manual page and the changelog compressed, without a time stamp.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(man_gz ${CMAKE_BINARY_DIR}/quillmere.1.gz)
set(changelog_gz ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${man_gz}
    COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/docs/quillmere.1 > ${man_gz}
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/quillmere.1 VERBATIM)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND ${GZIP_PROGRAM} -9nc ${desktop}/changelog > ${changelog_gz}
    DEPENDS ${desktop}/changelog VERBATIM)
add_custom_target(compressed_docs ALL DEPENDS ${man_gz} ${changelog_gz})
# The package and "make install" take what the reader's build made (scripts/build quillmere
# builds all of it): they build nothing more, not the tests and benchmarks.
add_dependencies(quillmere compressed_docs)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
install(FILES ${man_gz} DESTINATION share/man/man1)
install(FILES ${desktop}/copyright ${changelog_gz} DESTINATION share/doc/quillmere)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillmere developers")
set(CPACK_PACKAGE_CONTACT "Quillmere developers <quillmere@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "e-book reader that keeps a library of your books")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmere keeps a library of books and opens plain-text, RTF, EPUB, HTML,\n"
    "PDF and Word documents in the view that suits each. It returns to each\n"
    "book's bookmark, marks passages with a red pen, searches, copies and\n"
    "prints, looks words up on line, finds books in public collections and\n"
    "sends a book by e-mail.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Linked libraries come from dpkg-shlibdeps (the web engine's helper process comes with
# them); the rest is what runs without being linked: Qt's SVG icon plugins and the Word
# converter.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, antiword")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
