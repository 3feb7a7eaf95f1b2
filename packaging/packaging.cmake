# SPDX-License-Identifier: MIT
# What `cmake --install` puts beside the program (manual page, licence, desktop entry, icons,
# AppStream metainfo), and the packages `cpack` makes of it: the Debian package
# (`cpack -G DEB` in the build folder) and the source tarball
# (`cpack --config CPackSourceConfig.cmake`).
include(GNUInstallDirs)

set(VELMOR_PACKAGE_NAME velmor-tarn)
set(VELMOR_APPSTREAM_ID org.velmortarn.VelmorTarn)
set(VELMOR_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${VELMOR_PACKAGE_NAME})
set(VELMOR_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${VELMOR_PACKAGING_OUT})

# The manual page and the Debian changelog are installed compressed, as Debian wants them;
# gzip -n keeps the file name and time out of the archive, so the bytes depend on the text only.
find_program(VELMOR_GZIP gzip REQUIRED)
function(velmor_gzip source output)
  get_filename_component(name ${output} NAME_WLE)
  add_custom_command(
    OUTPUT ${VELMOR_PACKAGING_OUT}/${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${VELMOR_PACKAGING_OUT}/${name}
    COMMAND ${VELMOR_GZIP} -9nf ${VELMOR_PACKAGING_OUT}/${name}
    DEPENDS ${source}
    COMMENT "Compressing ${output}"
    VERBATIM)
endfunction()
velmor_gzip(${PROJECT_SOURCE_DIR}/doc/velmor-tarn.1 velmor-tarn.1.gz)
velmor_gzip(${PROJECT_SOURCE_DIR}/packaging/debian/changelog changelog.Debian.gz)
set(velmor_packaging_outputs ${VELMOR_PACKAGING_OUT}/velmor-tarn.1.gz
    ${VELMOR_PACKAGING_OUT}/changelog.Debian.gz)

install(FILES ${VELMOR_PACKAGING_OUT}/velmor-tarn.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
              ${VELMOR_PACKAGING_OUT}/changelog.Debian.gz
        DESTINATION ${VELMOR_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/velmor-tarn.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME velmor-tarn)

# The desktop entry, the icons and the AppStream metainfo belong to the windowed program.
if(TARGET wintk)
  add_executable(render_icon ${PROJECT_SOURCE_DIR}/packaging/render_icon.cc)
  target_link_libraries(render_icon PRIVATE Qt6::Gui Qt6::Svg)
  add_custom_command(
    OUTPUT ${VELMOR_PACKAGING_OUT}/velmor-tarn.png
    COMMAND render_icon ${PROJECT_SOURCE_DIR}/packaging/velmor-tarn.svg 128
            ${VELMOR_PACKAGING_OUT}/velmor-tarn.png
    DEPENDS render_icon ${PROJECT_SOURCE_DIR}/packaging/velmor-tarn.svg
    COMMENT "Rendering the 128 px icon"
    VERBATIM)
  list(APPEND velmor_packaging_outputs ${VELMOR_PACKAGING_OUT}/velmor-tarn.png)

  install(FILES ${PROJECT_SOURCE_DIR}/packaging/velmor-tarn.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/velmor-tarn.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${VELMOR_PACKAGING_OUT}/velmor-tarn.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/${VELMOR_APPSTREAM_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
add_custom_target(packaging_files ALL DEPENDS ${velmor_packaging_outputs})

# ---- The Debian package: velmor-tarn_<version>-<release>_<arch>.deb ----
set(CPACK_PACKAGE_NAME ${VELMOR_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "The Velmor-TARN developers")
set(CPACK_PACKAGE_CONTACT
    "The Velmor-TARN developers <maintainers@users.noreply.c-seed-72a4b4eb.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "enzyme progress curve analysis")
# The extended description: lines of at most 79 characters, "." for an empty line.
set(CPACK_PACKAGE_DESCRIPTION
    "Velmor-TARN fits integrated Michaelis-Menten models, in closed form through\n\
the Lambert W function, to enzyme progress curves: (time, [So], product or\n\
substrate) data of up to ten curves. It reports Km and Vm with standard\n\
errors, 95% confidence limits and correlations, suggests the time range of\n\
each curve best suited to a fit, ranks the models by AICc and plots the fits\n\
and the residuals.\n\
.\n\
A batch mode fits files and folders from the command line and writes CSV or\n\
JSON summaries and PNG, SVG or PDF pictures.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Debian revision of this packaging; the changelog's first entry carries the same version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# ---- The source tarball: velmor-tarn-<version>.tar.xz of the source folder ----
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME ${VELMOR_PACKAGE_NAME}-${PROJECT_VERSION})
# Build folders inside the source, version control and editor files stay out. CPack reads these
# regular expressions once more, hence the doubled escapes.
set(CPACK_SOURCE_IGNORE_FILES
    "^${PROJECT_SOURCE_DIR}/build[^/]*/" "^${PROJECT_SOURCE_DIR}/\\\\.git/"
    "^${PROJECT_SOURCE_DIR}/\\\\.git$" "^${PROJECT_SOURCE_DIR}/\\\\.cache/" "~$" "\\\\.swp$"
    "^${PROJECT_SOURCE_DIR}/compile_commands\\\\.json$")
string(FIND "${CMAKE_BINARY_DIR}/" "${PROJECT_SOURCE_DIR}/" velmor_build_inside)
if(velmor_build_inside EQUAL 0)
  list(APPEND CPACK_SOURCE_IGNORE_FILES "^${CMAKE_BINARY_DIR}/")
endif()

include(CPack)
