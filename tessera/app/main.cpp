// tessera: the viewer.
#include "app/application.h"

int main(int argc, char **argv)
{
    return tessera::runViewer(argc, argv);
}
