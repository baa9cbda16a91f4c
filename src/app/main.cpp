#include "app/PictavoApplication.h"

int main(int argc, char* argv[]) {
    PictavoApplication app(argc, argv);
    return 0;
}
