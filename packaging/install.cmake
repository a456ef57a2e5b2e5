# Installing like a desktop program: the programs on the PATH, a menu entry with its
# icon and AppStream metainfo per program, man pages and bash completion; and the
# Debian package built from these rules (scripts/package.sh).
include(GNUInstallDirs)

set(APP_ID_PREFIX "jp.settingstool" CACHE STRING "Reverse-DNS prefix of the desktop entries and the metainfo")
set(ICON_NAME settings-maintenance-tool)
set(packaging_dir ${CMAKE_CURRENT_LIST_DIR})
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
# The running program names its menu entry, so the desktop shows the entry's icon.
if(TARGET app)
    target_compile_definitions(app PRIVATE DESKTOP_ID_PREFIX="${APP_ID_PREFIX}")
endif()

set(installed_programs)
foreach(program quillmark brightfen demdoc)
    if(TARGET ${program})
        list(APPEND installed_programs ${program})
    endif()
endforeach()
install(TARGETS ${installed_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# One menu entry and one metainfo file per dialog program.
foreach(entry "quillmark;Quillmark;Parcelon" "brightfen;Brightfen;Traversium")
    list(GET entry 0 PROGRAM)
    list(GET entry 1 WM_CLASS)
    list(GET entry 2 PRODUCT)
    if(NOT TARGET ${PROGRAM})
        continue()
    endif()
    set(APP_ID ${APP_ID_PREFIX}.${PROGRAM})
    configure_file(${packaging_dir}/program.desktop.in ${packaging_out}/${APP_ID}.desktop @ONLY)
    configure_file(${packaging_dir}/program.metainfo.xml.in ${packaging_out}/${APP_ID}.metainfo.xml @ONLY)
    install(FILES ${packaging_out}/${APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${packaging_out}/${APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endforeach()

# Icons: the SVG is the source; the fixed sizes are rendered from it at build time.
set(icon_svg ${packaging_dir}/icons/${ICON_NAME}.svg)
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
    set(icon_pngs)
    foreach(size 16 32 48 256)
        set(png ${packaging_out}/icons/${size}/${ICON_NAME}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/icons/${size}
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon_svg}
            DEPENDS ${icon_svg} VERBATIM)
        list(APPEND icon_pngs ${png})
        install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(desktop_icons ALL DEPENDS ${icon_pngs})
else()
    message(WARNING "rsvg-convert (librsvg2-bin) not found: the PNG icons are not built or installed")
endif()

# Man pages: Markdown sources ("name.1.md") go through pandoc, finished pages
# ("name.1") are installed as they are.
file(GLOB man_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/*)
find_program(PANDOC pandoc)
set(man_pages)
foreach(source ${man_sources})
    get_filename_component(name ${source} NAME)
    if(name MATCHES "^(.+)\\.([1-9])\\.md$")
        set(page ${CMAKE_MATCH_1}.${CMAKE_MATCH_2})
        set(section ${CMAKE_MATCH_2})
        if(NOT PANDOC)
            message(WARNING "pandoc not found: man page ${page} is not built or installed")
            continue()
        endif()
        add_custom_command(OUTPUT ${packaging_out}/man/${page}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/man
            COMMAND ${PANDOC} --standalone --from markdown --to man -o ${packaging_out}/man/${page} ${source}
            DEPENDS ${source} VERBATIM)
        list(APPEND man_pages ${packaging_out}/man/${page})
        install(FILES ${packaging_out}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
    elseif(name MATCHES "^.+\\.([1-9])$")
        install(FILES ${source} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${CMAKE_MATCH_1})
    endif()
endforeach()
if(man_pages)
    add_custom_target(installed_man_pages ALL DEPENDS ${man_pages})
endif()
# Pages that docs/man builds itself and names in MAN_PAGES ("name.1", ...).
foreach(page ${MAN_PAGES})
    if(page MATCHES "\\.([1-9])$")
        install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${CMAKE_MATCH_1})
    endif()
endforeach()

# Bash completion is loaded by command name: a file named after a program (with or
# without ".bash") is that program's; another file serves the dialog programs that
# have none of their own.
file(GLOB completions CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/completion/* ${CMAKE_SOURCE_DIR}/scripts/completion/*)
list(FILTER completions EXCLUDE REGEX "\\.zsh$")
set(completion_dir ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
set(completed)
set(shared_completions)
foreach(source ${completions})
    get_filename_component(name ${source} NAME)
    string(REGEX REPLACE "\\.(bash|sh)$" "" command ${name})
    if(command IN_LIST installed_programs)
        install(FILES ${source} DESTINATION ${completion_dir} RENAME ${command})
        list(APPEND completed ${command})
    else()
        list(APPEND shared_completions ${source})
    endif()
endforeach()
list(LENGTH shared_completions shared_count)
if(shared_count GREATER 1)
    message(WARNING "Several shared bash completion files; only the first is installed: ${shared_completions}")
endif()
if(shared_count GREATER 0)
    list(GET shared_completions 0 shared)
    foreach(program quillmark brightfen)
        if(TARGET ${program} AND NOT program IN_LIST completed)
            install(FILES ${shared} DESTINATION ${completion_dir} RENAME ${program})
        endif()
    endforeach()
endif()

# Zsh completion: one file for both programs, found by its name "_<program>" in the
# folder Debian's zsh searches.
foreach(program quillmark brightfen)
    if(TARGET ${program})
        install(FILES ${CMAKE_SOURCE_DIR}/docs/completion/settings-tool.zsh
                DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions RENAME _${program})
    endif()
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/document-format.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/settings-maintenance-tool)

# The Debian package: one for both programs, which share the icon and demdoc.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME settings-maintenance-tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Settings maintenance tool maintainers <root@localhost>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "settings maintenance tool (設定保守ツール) for Parcelon and Traversium")
set(CPACK_PACKAGE_DESCRIPTION "Copies the settings data sets of an installed mapping and surveying suite into
maintenance folders on a chosen drive, usually a USB stick, and registers them
back into the system. quillmark serves Parcelon, brightfen Traversium; demdoc
creates and dumps the suite's documents.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Libraries come from the binaries; the dialogs are laid out in IPAGothic's metrics.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
include(CPack)
