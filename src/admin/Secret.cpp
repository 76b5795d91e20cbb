#include "admin/Secret.h"

#include <cstdio>
#include <string>

#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace Admin {
namespace {

// One line from a stream, without its line end; false at the end of input
// before any character.
bool readLine(FILE *in, std::string *line)
{
    line->clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(in)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        line->push_back(char(c));
    }
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    return any;
}

termios savedTerminal{};
struct sigaction savedInt{}, savedTerm{}, savedQuit{};

// Ctrl-C at the prompt must not leave the installer's terminal without
// echo: put it back, then let the signal end the program as it would have.
extern "C" void restoreAndReraise(int sig)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    sigaction(SIGINT, &savedInt, nullptr);
    sigaction(SIGTERM, &savedTerm, nullptr);
    sigaction(SIGQUIT, &savedQuit, nullptr);
    raise(sig);
}

// Echo stays off only while the secret is typed, and goes off before the
// prompt shows so that nothing typed after it is ever echoed; the terminal
// is put back as it was even when reading fails or is interrupted.
bool askWithoutEcho(const QString &prompt, std::string *typed)
{
    const bool haveTerm = tcgetattr(STDIN_FILENO, &savedTerminal) == 0;
    if (haveTerm) {
        struct sigaction restore{};
        restore.sa_handler = restoreAndReraise;
        sigemptyset(&restore.sa_mask);
        sigaction(SIGINT, &restore, &savedInt);
        sigaction(SIGTERM, &restore, &savedTerm);
        sigaction(SIGQUIT, &restore, &savedQuit);
        termios quiet = savedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::fputs(prompt.toUtf8().constData(), stderr);
    std::fflush(stderr);
    const bool ok = readLine(stdin, typed);
    if (haveTerm) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        sigaction(SIGINT, &savedInt, nullptr);
        sigaction(SIGTERM, &savedTerm, nullptr);
        sigaction(SIGQUIT, &savedQuit, nullptr);
    }
    return ok;
}

} // namespace

bool readSecret(const QString &prompt, bool confirm, QString *secret, QString *error)
{
    std::string first;
    if (!isatty(STDIN_FILENO)) {
        if (!readLine(stdin, &first)) {
            *error = QStringLiteral("Nessuna password ricevuta sullo standard input.");
            return false;
        }
        *secret = QString::fromUtf8(first);
        return true;
    }
    if (!askWithoutEcho(prompt + QStringLiteral(": "), &first)) {
        *error = QStringLiteral("Password non inserita.");
        return false;
    }
    if (confirm) {
        std::string second;
        if (!askWithoutEcho(QStringLiteral("Ripetere la password: "), &second) || second != first) {
            *error = QStringLiteral("Le due password inserite non coincidono.");
            return false;
        }
    }
    *secret = QString::fromUtf8(first);
    return true;
}

QString howToPassSecret(const QString &command)
{
    return QStringLiteral("La password non si scrive nella riga di comando, dove ogni utente del computer può "
                          "leggerla: nimbo-admin %1 la legge dallo standard input, ad esempio\n"
                          "  printf '%s\\n' 'almeno8c' | nimbo-admin %1 ...\n"
                          "oppure la chiede senza mostrarla quando viene avviato da un terminale.")
        .arg(command);
}

} // namespace Admin
