// The baseline of BackgroundUpdateBench: a process that makes a QCoreApplication and ends.
#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return 0;
}
