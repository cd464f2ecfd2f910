#include "workspace/Startup.h"

int main(int argc, char** argv)
{
    return RunQuorvex(argc, argv);
}
