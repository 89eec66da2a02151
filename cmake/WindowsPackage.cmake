# The Windows folder (`cmake --install` of the cross build; setup.sh windows zips it): the
# programs with the Qt libraries, the Windows platform and style plugins and the MinGW runtime
# beside them, so the folder runs on a Windows machine with nothing installed.
set(programs varnok varnok-edid-report varnok-cli)
foreach(program ${programs})
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION .)
    endif()
endforeach()

foreach(lib Core Gui Widgets Network)
    install(FILES $<TARGET_FILE:Qt6::${lib}> DESTINATION .)
endforeach()
# Qt looks for its plugins in these folders beside the program.
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
if(TARGET Qt6::QWindowsVistaStylePlugin)
    install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
endif()

# Varnok's licence travels with its programs.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

# The compiler's runtime: C++ library, unwinder and POSIX threads (the thread model of the
# toolchain, which std::thread needs).
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
        message(FATAL_ERROR "MinGW runtime ${dll} not found")
    endif()
    install(FILES "${dll_path}" DESTINATION .)
endforeach()
