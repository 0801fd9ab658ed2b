#pragma once

int runQuorvaleClientTests(int argc, char **argv);
int runModelTests(int argc, char **argv);
