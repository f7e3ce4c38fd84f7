/* A module standing for an installed main program of a given version. */
int qw_installed_program;
