/* A resource-only module: carries a version resource for the tests. */
int qw_version_sample;
