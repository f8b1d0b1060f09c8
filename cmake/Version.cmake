# The version of both programs comes from project(... VERSION) alone: CMake
# writes it into resources/RulvVersion.h of the build tree, which the
# programs (rulvtool --version, the about box) and the version resources
# read. Targets get it by linking rulv_version.
configure_file(${PROJECT_SOURCE_DIR}/resources/RulvVersion.h.in
               ${PROJECT_BINARY_DIR}/generated/resources/RulvVersion.h @ONLY)
add_library(rulv_version INTERFACE)
target_include_directories(rulv_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# rulv_version_resource(target rc-file): adds the version resource rc-file
# (resources/VersionInfo.rc with the target's own file name) to target.
function(rulv_version_resource target rc)
  target_sources(${target} PRIVATE ${rc})
  target_link_libraries(${target} PRIVATE rulv_version)
  # windres reports no included files: name them, so a new version rebuilds.
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS
    ${PROJECT_SOURCE_DIR}/resources/VersionInfo.rc
    ${PROJECT_BINARY_DIR}/generated/resources/RulvVersion.h)
endfunction()
