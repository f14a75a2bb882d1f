// The window tests run inside the program's own application object, on the
// offscreen platform, so errors reach the same error display as in the program.
#include "app/application.h"

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    didu::Application app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
