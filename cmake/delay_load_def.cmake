# Writes a module-definition file naming every function the import library IMPORT_LIB imports from DLL
# (run as cmake -P with NM, IMPORT_LIB, DLL and DEF set).
execute_process(COMMAND ${NM} ${IMPORT_LIB} OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
list(TRANSFORM imports REPLACE " I __imp_" "")
list(REMOVE_DUPLICATES imports)
list(SORT imports)
list(JOIN imports "\n" lines)
file(WRITE ${DEF} "LIBRARY ${DLL}\nEXPORTS\n${lines}\n")
