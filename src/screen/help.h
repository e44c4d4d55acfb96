// The help screen laid over the panes.
#pragma once

void show_help();
