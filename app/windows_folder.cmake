# The Windows program folder, as the build's bin/ and as installed: the
# program, the Qt DLLs with the plugins it loads (the platform, the native
# style, .ico images), and the compiler's runtime DLLs, which the program and
# Qt share. The language files and config.ini come from i18n/.
target_sources(VantreelScreenRecorder PRIVATE windows.rc)
# A window program: no console opens beside it.
set_target_properties(VantreelScreenRecorder PROPERTIES WIN32_EXECUTABLE ON)

set(vtr_qt_dlls Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Network)
set(vtr_qt_plugins
  platforms Qt6::QWindowsIntegrationPlugin
  styles Qt6::QWindowsVistaStylePlugin
  imageformats Qt6::QICOPlugin)
set(vtr_runtime_dlls)
# Debian's cross compiler knows them among its libraries; a MinGW kit on
# Windows keeps them beside its compiler.
get_filename_component(compiler_dir ${CMAKE_CXX_COMPILER} DIRECTORY)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" AND EXISTS ${compiler_dir}/${dll})
    set(path ${compiler_dir}/${dll})
  endif()
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "the compiler has no ${dll} to ship beside the program")
  endif()
  list(APPEND vtr_runtime_dlls ${path})
endforeach()

# Copied without their debugging sections: Debian's libstdc++-6.dll alone
# carries some 20 MB of them.
set(bin $<TARGET_FILE_DIR:VantreelScreenRecorder>)
set(copies)
foreach(dll ${vtr_qt_dlls})
  list(APPEND copies COMMAND ${CMAKE_STRIP} --strip-debug -o ${bin}/$<TARGET_FILE_NAME:${dll}> $<TARGET_FILE:${dll}>)
  install(FILES $<TARGET_FILE:${dll}> DESTINATION ${VTR_INSTALL_APPDIR})
endforeach()
foreach(dll ${vtr_runtime_dlls})
  get_filename_component(name ${dll} NAME)
  list(APPEND copies COMMAND ${CMAKE_STRIP} --strip-debug -o ${bin}/${name} ${dll})
endforeach()
install(FILES ${vtr_runtime_dlls} DESTINATION ${VTR_INSTALL_APPDIR})
while(vtr_qt_plugins)
  list(POP_FRONT vtr_qt_plugins folder plugin)
  list(APPEND copies
    COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/${folder}
    COMMAND ${CMAKE_STRIP} --strip-debug -o ${bin}/${folder}/$<TARGET_FILE_NAME:${plugin}> $<TARGET_FILE:${plugin}>)
  install(FILES $<TARGET_FILE:${plugin}> DESTINATION ${VTR_INSTALL_APPDIR}/${folder})
endwhile()
add_custom_command(TARGET VantreelScreenRecorder POST_BUILD ${copies} VERBATIM)
