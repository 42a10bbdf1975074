# Installation and the Debian package.
#
# The program lives in its own folder with the converter beside it, where it looks for it: our own
# build of Convert LIT, or a link to the system's clit; the supervisor under which it runs the converter
# stands there too. bin/zwojnik links to the program. The desktop
# entry, the MIME type of .lit files, the icon and the AppStream metadata make it a program that the
# desktop offers for opening e-books.

set(ZWOJNIK_APP_FOLDER lib/zwojnik)
set(ZWOJNIK_APP_ID pl.orvel.zwojnik)
if(ZWOJNIK_SYSTEM_CONVERTER)
    if(ZWOJNIK_CLIT)
        set(ZWOJNIK_INSTALLED_CONVERTER_DEFAULT ${ZWOJNIK_CLIT})
    else()
        set(ZWOJNIK_INSTALLED_CONVERTER_DEFAULT /usr/bin/clit) # where Debian's convlit puts it
    endif()
    set(ZWOJNIK_INSTALLED_CONVERTER ${ZWOJNIK_INSTALLED_CONVERTER_DEFAULT} CACHE FILEPATH
        "The Convert LIT executable that the installed program's converter link names")
endif()

set(ZWOJNIK_STAGE ${CMAKE_BINARY_DIR}/install-stage)
file(MAKE_DIRECTORY ${ZWOJNIK_STAGE})
file(CREATE_LINK ../${ZWOJNIK_APP_FOLDER}/zwojnik ${ZWOJNIK_STAGE}/zwojnik SYMBOLIC)
set(ZWOJNIK_SCREENSHOTS_URL "${ZWOJNIK_MAKER_URL}zwojnik/" CACHE STRING
    "Where the screenshots of docs/ are published, for software centres")
configure_file(packaging/zwojnik.metainfo.xml.in ${ZWOJNIK_STAGE}/${ZWOJNIK_APP_ID}.metainfo.xml @ONLY)
configure_file(docs/zwojnik.1.in ${ZWOJNIK_STAGE}/zwojnik.1 @ONLY)
add_custom_command(OUTPUT ${ZWOJNIK_STAGE}/zwojnik.1.gz
    COMMAND gzip -9nkf ${ZWOJNIK_STAGE}/zwojnik.1
    DEPENDS ${ZWOJNIK_STAGE}/zwojnik.1 VERBATIM)
add_custom_target(zwojnik_manual ALL DEPENDS ${ZWOJNIK_STAGE}/zwojnik.1.gz)

# The icon drawn at each size that desktops ask for; at 16 px from its own drawing on the pixel grid.
find_program(ZWOJNIK_RSVG_CONVERT rsvg-convert)
if(ZWOJNIK_RSVG_CONVERT)
    foreach(size IN ITEMS 16 24 32 48 64 128 256)
        set(drawing ${CMAKE_SOURCE_DIR}/packaging/zwojnik.svg)
        if(size EQUAL 16)
            set(drawing ${CMAKE_SOURCE_DIR}/packaging/zwojnik-16.svg)
        endif()
        set(icon ${ZWOJNIK_STAGE}/icons/${size}x${size}/zwojnik.png)
        file(MAKE_DIRECTORY ${ZWOJNIK_STAGE}/icons/${size}x${size})
        add_custom_command(OUTPUT ${icon}
            COMMAND ${ZWOJNIK_RSVG_CONVERT} --width ${size} --height ${size} --output ${icon} ${drawing}
            DEPENDS ${drawing} VERBATIM)
        list(APPEND ZWOJNIK_ICONS ${icon})
        install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(zwojnik_icons ALL DEPENDS ${ZWOJNIK_ICONS})
else()
    message(WARNING "rsvg-convert was not found (Debian package librsvg2-bin): the installed icon is "
                    "the SVG alone, without its PNG renderings.")
endif()

install(TARGETS zwojnik zwojnik_supervisor RUNTIME DESTINATION ${ZWOJNIK_APP_FOLDER})
if(ZWOJNIK_SYSTEM_CONVERTER)
    file(CREATE_LINK ${ZWOJNIK_INSTALLED_CONVERTER} ${ZWOJNIK_STAGE}/${ZWOJNIK_CONVERTER_NAME} SYMBOLIC)
    install(FILES ${ZWOJNIK_STAGE}/${ZWOJNIK_CONVERTER_NAME} DESTINATION ${ZWOJNIK_APP_FOLDER})
else()
    install(TARGETS zwojnik_converter RUNTIME DESTINATION ${ZWOJNIK_APP_FOLDER})
endif()
install(FILES ${ZWOJNIK_STAGE}/zwojnik DESTINATION bin)
install(FILES packaging/zwojnik.desktop DESTINATION share/applications)
install(FILES packaging/zwojnik-mime.xml DESTINATION share/mime/packages RENAME zwojnik.xml)
install(FILES packaging/zwojnik.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${ZWOJNIK_STAGE}/${ZWOJNIK_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${ZWOJNIK_STAGE}/zwojnik.1.gz DESTINATION share/man/man1)
install(FILES LICENSE DESTINATION share/doc/zwojnik RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zwojnik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "zamiana e-booków .lit na HTML")
string(REGEX REPLACE "^mailto:" "" ZWOJNIK_MAINTAINER_ADDRESS ${ZWOJNIK_FEEDBACK_URL})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvel <${ZWOJNIK_MAINTAINER_ADDRESS}>")
# The summary above is the package's one-line synopsis; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Zwojnik zamienia e-booki Microsoft Reader (pliki .lit) na strony HTML.
Plik wybiera się w menu, otwiera Zwojnikiem w menedżerze plików albo
upuszcza na okno programu. Zamianę wykonuje dołączony Convert LIT.")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ZWOJNIK_MAKER_URL})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Qt, C++, libxml2, libzip, zlib, libtommath and libseccomp libraries come from dpkg-shlibdeps, from
# what the program links (libzip and zlib with the EPUB engine); a system converter is run, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(ZWOJNIK_SYSTEM_CONVERTER)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS convlit)
endif()
# Qt's own dialog texts in Polish; xdg-open, which opens books, folders, pages and mail.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# Qt draws the window icon with its SVG plugins, which the program does not link.
string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS ${CPACK_DEBIAN_PACKAGE_DEPENDS} libqt6svg6)
include(CPack)
