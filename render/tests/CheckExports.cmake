# Fails when the library exports a symbol of the shader compiler it links in statically:
# cmake -DLIBRARY=<path> -P CheckExports.cmake
execute_process(COMMAND nm -D --defined-only -C ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]*(glslang|spv|SPIRV|spirv_cross|TIntermNode|TShHandleBase|ShInitialize|yydebug)[^\n]*"
  found "${symbols}")
list(LENGTH found count)
if(count GREATER 0)
  list(SUBLIST found 0 10 first)
  string(REPLACE ";" "\n" first "${first}")
  message(FATAL_ERROR "${count} symbols of the shader compiler are exported, among them:\n${first}")
endif()
