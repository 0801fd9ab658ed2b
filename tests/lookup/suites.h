#pragma once

int runSearchTests(int argc, char **argv);
int runLookupTests(int argc, char **argv);
