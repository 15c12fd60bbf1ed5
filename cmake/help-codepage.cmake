# Run with -P on a copy of the help sources (-DWORK=folder): HTML Help reads
# a compiled help file's pages, contents and title in the code page of its
# language (Turkish, 0x41f: windows-1254), whatever a page says of itself,
# so the sources, written in UTF-8, are given to the compiler in that code
# page and say so.
file(GLOB sources ${WORK}/*.html ${WORK}/*.hhc ${WORK}/*.hhp)
foreach(source ${sources})
  file(READ ${source} text)
  string(REPLACE "<meta charset=\"utf-8\">" "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1254\">" text "${text}")
  string(REPLACE "charset=utf-8" "charset=windows-1254" text "${text}")
  file(WRITE ${source}.utf-8 "${text}")
  execute_process(COMMAND iconv -f UTF-8 -t WINDOWS-1254 ${source}.utf-8
                  OUTPUT_FILE ${source} RESULT_VARIABLE result ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${source}: not all of it can be written in windows-1254: ${error}")
  endif()
  file(REMOVE ${source}.utf-8)
endforeach()
