#include "app/launch.h"

int main(int argc, char* argv[]) {
    return app::launch(argc, argv);
}
