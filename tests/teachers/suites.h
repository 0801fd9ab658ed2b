#pragma once

int runTeacherCacheTests(int argc, char **argv);
int runTeacherSearchTests(int argc, char **argv);
int runClassSectionTests(int argc, char **argv);
int runTeacherNeedsTests(int argc, char **argv);
int runTeacherLookupTests(int argc, char **argv);
