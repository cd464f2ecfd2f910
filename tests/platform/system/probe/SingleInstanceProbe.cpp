// A copy of the program reduced to its single-instance check, for the tests
// that start copies together:
//
//   single_instance_probe <marker name>
//
// It prints "ready", waits for a line on its input (the start signal, so
// that copies check at the same moment), takes the marker and prints
// "first", "handed-over" or "unmarked". A first copy then prints
// "message <n>" for each message a later copy hands over, until its input
// is closed.
#include "platform/system/SingleInstance.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <iostream>
#include <string>

#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2)
        return 2;
    std::cout << "ready" << std::endl;
    std::string start;
    std::getline(std::cin, start);

    TSingleInstance instance(QString::fromLocal8Bit(argv[1]));
    const TSingleInstance::TStart result = instance.Acquire();
    std::cout << (result == TSingleInstance::TStart::First        ? "first"
                  : result == TSingleInstance::TStart::HandedOver ? "handed-over"
                                                                  : "unmarked")
              << std::endl;
    if (result != TSingleInstance::TStart::First)
        return 0;
    QObject::connect(&instance, &TSingleInstance::MessageReceived,
                     [](int message) { std::cout << "message " << message << std::endl; });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&input] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    return QCoreApplication::exec();
}
