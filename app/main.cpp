#include "app/app_shell.h"

int main(int argc, char *argv[])
{
    return s32TavolinMain(argc, argv);
}
