// Entry point.
#include "core/startup.h"

int main(int argc, char **argv)
{
    return vexa_main(argc, argv);
}
