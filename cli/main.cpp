// tarvix-report: the analysis of a mailer log without the desktop program.
#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv)
{
    CLI::App app{"tarvix-report: sessions, file requests and dial statistics of a Fidonet mailer log"};
    app.set_version_flag("--version", "tarvix-report 0.1");
    CLI11_PARSE(app, argc, argv);
    std::cout << app.help();
    return 0;
}
