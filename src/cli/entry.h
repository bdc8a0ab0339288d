// The program entry: parses the command line and runs the command.
#pragma once

int pelk_main(int argc, char** argv);
