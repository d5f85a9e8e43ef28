# tarvesko_desktop_entry(<file> <program> <working folder>): writes the menu entry that starts
# <program> in <working folder>, the folder whose "Товары.txt" the program then uses. Called at
# configure time for the Debian package and at install time for the prefix given then.
set(_tarvesko_desktop_template "${CMAKE_CURRENT_LIST_DIR}/../data/tarvesko.desktop.in")

function(tarvesko_desktop_entry file program folder)
    # Exec= takes the program as one quoted argument: quoting reserves " ` $ and \, and the value
    # is then unescaped once more like every string of the entry; % starts a field code.
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${program}")
    string(REPLACE "\\" "\\\\" exec "\"${exec}\"")
    string(REPLACE "%" "%%" TARVESKO_EXEC "${exec}")
    string(REPLACE "\\" "\\\\" TARVESKO_WORK_DIR "${folder}")
    file(READ "${_tarvesko_desktop_template}" template)
    file(CONFIGURE OUTPUT "${file}" CONTENT "${template}" @ONLY)
endfunction()
