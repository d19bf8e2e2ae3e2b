#include "app/show_main.h"

int main() {
    return app::WinMain();
}
