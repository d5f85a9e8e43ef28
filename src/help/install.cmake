# The program into its folder <prefix>/tarvesko, beside its data folder "База" (installed with the
# help document). Include this where the executable `tarvesko` is defined.
install(TARGETS tarvesko RUNTIME DESTINATION tarvesko)
# The data folder is only useful with the help document in it.
add_dependencies(tarvesko tarvesko_help_doc)
