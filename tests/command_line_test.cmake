# What a program says to its command line, run as a person would run it:
#   cmake -DPROGRAM=path -DNAME=tamarack -P command_line_test.cmake
# --version names the program and the project's version; --help shows the usage and ends well;
# an unknown option or an argument shows the usage on standard error and ends with status 2,
# without starting anything.
function(expect status out_regex err_regex)
  execute_process(COMMAND ${PROGRAM} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err TIMEOUT 20)
  if(NOT rc STREQUAL status OR NOT out MATCHES "${out_regex}" OR NOT err MATCHES "${err_regex}")
    message(FATAL_ERROR "${NAME} ${ARGN}: status ${rc}\nout: ${out}\nerr: ${err}")
  endif()
endfunction()

expect(0 "^${NAME} ${VERSION}\n$" "^$" --version)
expect(0 "--help" "^$" --help)
expect(2 "^$" "bogus.*--version" --bogus)
expect(2 "^$" "--version" stray-argument)
