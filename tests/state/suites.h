#pragma once

int runQuorvaleClientTests(int argc, char **argv);
int runModelTests(int argc, char **argv);
int runModelTeacherTests(int argc, char **argv);
