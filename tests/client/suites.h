#pragma once

int runTransportTests(int argc, char **argv);
int runSignInTests(int argc, char **argv);
int runCredentialTests(int argc, char **argv);
