# Install rules and CPack settings for the two release packages that scripts/package makes:
#   Linux build:   a Debian package (CPack's DEB generator): the program in /usr/lib/<package>/, its two
#                  images in /usr/share/<package>/, a launcher /usr/bin/<package> that starts it in the
#                  images' folder, its manual page, a desktop menu entry with an icon, the copyright file
#                  and the changelog.
#   Windows build: a zip (CPack's ZIP generator): the self-contained viewer.exe with the two images beside
#                  it, LICENSE and README.txt, in one folder.
# Only the program and what it needs at run time are installed: never the tests, the benchmarks, the tools
# or the static libraries. Nothing here changes what a build builds.

# The package, and the launcher on the PATH, are named after what the program shows: a plain "viewer" says
# nothing among a system's commands.
set(VIEWER_PACKAGE fur-box-viewer)
set(VIEWER_MAINTAINER "The viewer's authors <viewer-authors@example.org>"
    CACHE STRING "Maintainer of the Debian package: name <address>")

set(CPACK_PACKAGE_NAME ${VIEWER_PACKAGE})
set(CPACK_PACKAGE_VENDOR "the viewer's authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive 3D viewer of a lit, fur-textured box")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(VIEWER_IMAGES ${CMAKE_SOURCE_DIR}/assets/tex_fur.png ${CMAKE_SOURCE_DIR}/assets/bump.bmp)
set(staging ${CMAKE_CURRENT_BINARY_DIR}/packaging)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME viewer-${PROJECT_VERSION}-windows-x64)
    # Text files for Windows users keep Windows line ends.
    configure_file(${CMAKE_SOURCE_DIR}/packaging/README.txt.in ${staging}/README.txt @ONLY NEWLINE_STYLE CRLF)
    configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${staging}/LICENSE @ONLY NEWLINE_STYLE CRLF)
    # The self-contained viewer.exe (our D3DX linked in), which needs nothing Windows does not have.
    install(TARGETS viewer_standalone RUNTIME DESTINATION .)
    install(FILES ${VIEWER_IMAGES} ${staging}/README.txt ${staging}/LICENSE DESTINATION .)
    include(CPack)
    return()
endif()

# Paths below the prefix (/usr); the launcher finds the other two from its own place in bin/.
set(VIEWER_PROGRAM_DIR lib/${VIEWER_PACKAGE})
set(VIEWER_IMAGES_DIR share/${VIEWER_PACKAGE})
set(doc_dir share/doc/${VIEWER_PACKAGE})

configure_file(${CMAKE_SOURCE_DIR}/packaging/launcher.sh.in ${staging}/${VIEWER_PACKAGE} @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/desktop.in ${staging}/${VIEWER_PACKAGE}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/copyright.in ${staging}/copyright @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${staging}/changelog @ONLY)
string(TOUPPER ${VIEWER_PACKAGE} VIEWER_PACKAGE_UPPER)
configure_file(${CMAKE_SOURCE_DIR}/packaging/manpage.1.in ${staging}/${VIEWER_PACKAGE}.1 @ONLY)
# Debian wants the changelog and the manual page compressed to the maximum and without a time stamp in the
# gzip header.
find_program(GZIP gzip REQUIRED)
foreach(file changelog ${VIEWER_PACKAGE}.1)
    execute_process(COMMAND ${GZIP} -9 -n -c ${staging}/${file} OUTPUT_FILE ${staging}/${file}.gz
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()

install(TARGETS viewer RUNTIME DESTINATION ${VIEWER_PROGRAM_DIR})
install(FILES ${VIEWER_IMAGES} DESTINATION ${VIEWER_IMAGES_DIR})
install(PROGRAMS ${staging}/${VIEWER_PACKAGE} DESTINATION bin)
install(FILES ${staging}/${VIEWER_PACKAGE}.1.gz DESTINATION share/man/man1)
install(FILES ${staging}/${VIEWER_PACKAGE}.desktop DESTINATION share/applications)
# The fur texture (256 x 256) is the menu icon.
install(FILES ${CMAKE_SOURCE_DIR}/assets/tex_fur.png DESTINATION share/icons/hicolor/256x256/apps
        RENAME ${VIEWER_PACKAGE}.png)
install(FILES ${staging}/copyright ${staging}/changelog.gz DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME ${VIEWER_PACKAGE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VIEWER_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries it links come from dpkg-shlibdeps; these two it loads or looks up at run time: OpenGL
# (through libepoxy and SDL2, which open it themselves) and the Arial-compatible font of the status text.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, fonts-liberation")
# The long description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "One 1024 x 768 window shows a lit, fur-textured box seen through a
free-look camera, steered with the keyboard and the mouse, with six lines of
status text. F7, F8 and F9 switch the depth test, the texture filter and the
shading mode.

The program is written against Win32, Direct3D 9, D3DX 9 and DirectInput 8
and runs here on its own implementation of those on SDL2 and OpenGL 3.3.")
include(CPack)
