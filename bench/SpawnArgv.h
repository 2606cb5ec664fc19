#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QStringList>
#include <vector>

namespace hub {

// The argument vector of a program to spawn: its path, then the arguments, ending in null.
class SpawnArgv {
public:
    SpawnArgv(const QString& program, const QStringList& arguments)
    {
        words_ << QFile::encodeName(program);
        for (const QString& argument : arguments)
            words_ << argument.toLocal8Bit();
        for (QByteArray& word : words_)
            pointers_.push_back(word.data());
        pointers_.push_back(nullptr);
    }
    SpawnArgv(const SpawnArgv&) = delete;
    SpawnArgv& operator=(const SpawnArgv&) = delete;

    char** data() { return pointers_.data(); }

private:
    QList<QByteArray> words_;
    std::vector<char*> pointers_;
};

} // namespace hub
