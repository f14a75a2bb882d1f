// The program DiduRaDozori: start-up, the message loop, shutdown.
#include "app/application.h"
#include "app/frmdiduradozori.h"

#include <memory>

int main(int argc, char** argv)
{
    return didu::runProgram(argc, argv, [] {
        auto form = std::make_unique<didu::TFormDiduRaDozori>();
        form->showCentred();
        return std::unique_ptr<QWidget>(std::move(form));
    });
}
