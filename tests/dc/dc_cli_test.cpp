// The built module run as a program, the way scripts use it: exit codes,
// what goes to standard output and error, and the files it leaves.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include "DcFixture.h"

using namespace mox;

namespace {

struct Finished {
    int code = -1;
    std::string out, err;
};

} // namespace

class DcCommandLine : public DcFixture {
protected:
    DcCommandLine()
    {
        std::filesystem::create_directories(dir.path() / "config" / "Jov Software");
        write(path("config/Jov Software/Mox!.conf"),
              "sAppPath=" + dir.str() + "\n[Fonts]\nuiForeignLayout=1033\nuiNativeLayout=1049\n"
              "iForeignCharSet=0\niNativeCharSet=204\n");
    }

    Finished dc(const QStringList& args, const std::string& configHome = {}) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(configHome.empty() ? path("config") : configHome));
        process.setProcessEnvironment(env);
        process.start(MOX_DC_EXECUTABLE, args);
        EXPECT_TRUE(process.waitForFinished(20000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
    }
    QString q(const std::string& s) const { return QString::fromStdString(s); }
};

TEST_F(DcCommandLine, ImportsReportsRefusedRowsAndNeverReplacesUnasked)
{
    write(path("in.tsv"), "cat\tкот\t[kæt]\ncat\tкошка\nowl\t\n☃\tснеговик\n");
    Finished run = dc({"--import", q(path("in.tsv")), "--name", "animals"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "Словарь «animals.dct» создан, слов в нём: 1. Отклонено строк: 3.\n");
    EXPECT_EQ(run.err, "отклонено: нет перевода: 1\n"
                       "отклонено: в слове символ не из кодировки языка: 1\n"
                       "отклонено: слово повторяется: 1\n"
                       "строка 2: слово уже есть в строке 1\n"
                       "строка 3: нет перевода\n"
                       "строка 4: в слове символ «☃» U+2603 SNOWMAN, которого нет в западноевропейской кодировке\n");
    const std::string made = read(dict("animals.dct"));
    ASSERT_EQ(made.size(), 208u);

    write(path("in.tsv"), "dog\tсобака\n");
    run = dc({"--import", q(path("in.tsv")), "--name", "animals.dct"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("уже есть; он не заменён"), std::string::npos) << run.err;
    EXPECT_EQ(read(dict("animals.dct")), made);
    run = dc({"--import", q(path("in.tsv")), "--name", "animals", "--replace"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(fieldText(records(dict("animals.dct"))[0].word), "dog");
}

TEST_F(DcCommandLine, ColumnsLanguagesHeaderSeparatorAndExport)
{
    write(path("greek.csv"), "translation,word\n\"кошка, кот\",γάτα\n");
    Finished run = dc({"--import", q(path("greek.csv")), "--name", "greek", "--separator", "comma", "--header",
                  "--columns", "2,1,0", "--languages", "Греческий,0x419"});
    EXPECT_EQ(run.code, 0) << run.err;
    // The fonts of the settings show cp1252 words: a warning, on standard error.
    EXPECT_NE(run.err.find("Внимание: "), std::string::npos);
    EXPECT_NE(run.err.find("Слова записаны в греческой кодировке"), std::string::npos) << run.err;
    const auto r = records(dict("greek.dct"));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(fieldText(r[0].word), "\xE3\xDC\xF4\xE1");   // γάτα in cp1253
    EXPECT_EQ(fieldText(r[0].translation), "\xEA\xEE\xF8\xEA\xE0, \xEA\xEE\xF2");

    run = dc({"--export", "greek", q(path("greek.tsv")), "--languages", "1032,русский"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "Выгружено слов: 1 в файл «" + path("greek.tsv") + "».\n");
    EXPECT_EQ(read(path("greek.tsv")), "γάτα\tкошка, кот\t\n");
    // Without languages the dictionary's own are used: the words come back in Greek.
    run = dc({"--export", "greek", q(path("own.tsv"))});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(read(path("own.tsv")), "γάτα\tкошка, кот\t\n");
    EXPECT_EQ(read(dict("greek.lng")), "uiForeignLayout=1032\nuiNativeLayout=1049\n");
    // The notes format, for flash-card programs.
    run = dc({"--export", "greek", q(path("notes.txt")), "--format", "notes"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(read(path("notes.txt")), "#separator:tab\n#html:false\n#deck:greek\n"
                                        "#columns:Слово\tПеревод\tТранскрипция\n"
                                        "γάτα\tкошка, кот\t\n");
    // A dictionary given as a path.
    run = dc({"--export", q(dict("greek.dct")), q(path("by-path.tsv")), "--languages", "Греческий,Русский"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(read(path("by-path.tsv")), read(path("greek.tsv")));

    run = dc({"--create", "blank"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dict("blank.dct")));
    EXPECT_EQ(std::filesystem::file_size(dict("blank.dct")), 0u);
}

TEST_F(DcCommandLine, BadInputGivesAClearMessageAndANonZeroExit)
{
    write(path("in.tsv"), "a\tб\n");
    const std::vector<std::pair<QStringList, std::string>> usage = {
        {{"--import"}, "dc: --import ждёт значение"},
        {{"--import", q(path("in.tsv"))}, "dc: --import ждёт --name"},
        {{"--import", q(path("in.tsv")), "--name", "x", "--columns", "1,1"}, "dc: --columns: один столбец назначен дважды"},
        {{"--import", q(path("in.tsv")), "--name", "x", "--columns", "0,2"}, "dc: --columns: «0» — не номер столбца"},
        {{"--import", q(path("in.tsv")), "--name", "x", "--languages", "Klingon,Русский"},
         "dc: --languages: язык «Klingon» не найден"},
        {{"--import", q(path("in.tsv")), "--name", "x", "--separator", "pipe"}, "dc: --separator ждёт"},
        {{"--export", "a", "b", "--format", "xlsx"}, "dc: --format ждёт tsv или notes"},
        {{"--import", q(path("in.tsv")), "--name", "x", "--format", "notes"}, "dc: --format относится к --export"},
        {{"--frobnicate"}, "dc: неизвестный параметр «--frobnicate»"},
        {{"--export", "a", "b", "--header"}, "dc: --name, --columns, --header, --separator и --refuse-... относятся к --import"},
        {{"--export", "a", "b", "--refuse-stressed"}, "dc: --name, --columns, --header, --separator и --refuse-..."},
        {{"--create", "a", "--export", "b", "c"}, "dc: можно указать только одно"},
        {{"--version", "--replace"}, "dc: --version не сочетается с другими параметрами"},
        {{"--create", "a", "--version"}, "dc: можно указать только одно"},
    };
    for (const auto& [args, message] : usage) {
        const Finished run = dc(args);
        EXPECT_EQ(run.code, 2) << args.join(' ').toStdString();
        EXPECT_EQ(run.err.rfind(message, 0), 0u) << run.err;
        EXPECT_NE(run.err.find("Использование:"), std::string::npos);
    }
    Finished run = dc({"--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out.rfind("Использование:", 0), 0u);
    // The version of the build, even before the program ever ran (no settings).
    run = dc({"--version"}, path("no-config"));
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "dc (Mox!) " MOX_TEST_PROJECT_VERSION "\n");
    EXPECT_EQ(run.err, "");

    // Nothing to work on: exit 1 with the reason.
    run = dc({"--import", q(path("missing.tsv")), "--name", "x"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("Не удалось открыть файл «" + path("missing.tsv") + "»"), std::string::npos) << run.err;
    run = dc({"--export", "missing", q(path("out.tsv"))});
    EXPECT_EQ(run.code, 1);
    EXPECT_FALSE(std::filesystem::exists(path("out.tsv")));
    run = dc({"--import", q(path("in.tsv")), "--name", "../outside"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("Имя словаря «../outside» недопустимо: оно не может быть пустым или содержать «/»."),
              std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(path("outside.dct")));
    // Without the program's settings there is no dictionary folder.
    run = dc({"--create", "x"}, path("no-config"));
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("Настройки Mox! не найдены"), std::string::npos) << run.err;
    EXPECT_EQ(folderFiles(), std::vector<std::string>{});
}
