#include "BenchData.h"

#include "CardFile.h"
#include "Cp1251.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace benchdata {
namespace {

constexpr int kGeneratorVersion = 1;

const char *const kSurnames[] = {
    "Иванов",      "Смирнов",       "Кузнецов",   "Попов",     "Васильев", "Петров",     "Соколов",
    "Михайлов",    "Новиков",       "Фёдоров",    "Морозов",   "Волков",   "Алексеев",   "Лебедев",
    "Семёнов",     "Егоров",        "Павлов",     "Козлов",    "Степанов", "Николаев",   "Орлов",
    "Андреев",     "Макаров",       "Никитин",    "Захаров",   "Зайцев",   "Соловьёв",   "Борисов",
    "Яковлев",     "Григорьев",     "Романов",    "Воробьёв",  "Сергеев",  "Кузьмин",    "Фролов",
    "Александров", "Дмитриев",      "Королёв",    "Гусев",     "Киселёв",  "Ильин",      "Максимов",
    "Поляков",     "Сорокин",       "Виноградов", "Ковалёв",   "Белов",    "Медведев",   "Антонов",
    "Тарасов",     "Жуков",         "Баранов",    "Филиппов",  "Комаров",  "Давыдов",    "Беляев",
    "Герасимов",   "Богданов",      "Осипов",     "Сидоров",   "Матвеев",  "Титов",      "Марков",
    "Миронов",     "Крылов",        "Куликов",    "Карпов",    "Власов",   "Мельников",  "Денисов",
    "Гаврилов",    "Тихонов",       "Казаков",    "Афанасьев", "Данилов",  "Савельев",   "Тимофеев",
    "Фомин",       "Чернов",        "Абрамов",    "Мартынов",  "Ефимов",   "Федотов",    "Щербаков",
    "Назаров",     "Калинин",       "Исаев",      "Чернышёв",  "Быков",    "Маслов",     "Родионов",
    "Коновалов",   "Лазарев",       "Воронин",    "Климов",    "Филатов",  "Пономарёв",  "Голубев",
    "Кудрявцев",   "Прохоров",      "Наумов",     "Потапов",   "Журавлёв", "Овчинников", "Ёлкин",
    "Елкин",       "Петров-Водкин", "Шишкин",     "Юдин",      "Эйхвальд", "Ющенко",     "Цой",
};
const char *const kMaleNames[] = {
    "Александр", "Алексей",    "Андрей",    "Антон",    "Артём",   "Борис",   "Вадим", "Василий", "Виктор",
    "Виталий",   "Владимир",   "Геннадий",  "Григорий", "Дмитрий", "Евгений", "Иван",  "Игорь",   "Илья",
    "Кирилл",    "Константин", "Леонид",    "Максим",   "Михаил",  "Николай", "Олег",  "Павел",   "Пётр",
    "Роман",     "Сергей",     "Станислав", "Степан",   "Юрий",    "Яков",    "Фёдор", "Семён",   "Эдуард",
};
const char *const kFemaleNames[] = {
    "Александра", "Алла",      "Анастасия", "Анна",    "Валентина", "Вера",  "Виктория", "Галина",  "Дарья",
    "Евгения",    "Екатерина", "Елена",     "Жанна",   "Зоя",       "Ирина", "Ксения",   "Лариса",  "Любовь",
    "Людмила",    "Марина",    "Мария",     "Надежда", "Наталья",   "Нина",  "Оксана",   "Ольга",   "Полина",
    "Светлана",   "Софья",     "Тамара",    "Татьяна", "Юлия",      "Яна",   "Алёна",    "Эльвира", "Ёлка",
};
// Patronymics: the male form; the female form swaps "ич" for "на".
const char *const kPatronymics[] = {
    "Александрович",  "Алексеевич",  "Андреевич",  "Борисович",  "Васильевич", "Викторович", "Владимирович",
    "Геннадьевич",    "Григорьевич", "Дмитриевич", "Евгеньевич", "Иванович",   "Игоревич",   "Ильич",
    "Константинович", "Леонидович",  "Михайлович", "Николаевич", "Олегович",   "Павлович",   "Петрович",
    "Романович",      "Сергеевич",   "Степанович", "Юрьевич",    "Яковлевич",  "Фёдорович",  "Семёнович",
};
const char *const kGoods[] = {
    "Телевизор", "Холодильник", "Стиральная машина", "Пылесос",     "Утюг",    "Микроволновая печь",
    "Чайник",    "Магнитола",   "Видеомагнитофон",   "Фотоаппарат", "Телефон", "Кофеварка",
    "Миксер",    "Фен",         "Электроплита",
};
const char *const kItems[] = {"Пульт",  "Кабель",  "Антенна", "Блок питания",
                              "Фильтр", "Насадка", "Шнур",    "Подставка"};

template <size_t N> QString pick(const char *const (&list)[N], std::mt19937_64 &rng)
{
    return QString::fromUtf8(list[std::uniform_int_distribution<size_t>(0, N - 1)(rng)]);
}

QString digits(std::mt19937_64 &rng, int count)
{
    QString s;
    for (int i = 0; i < count; ++i)
        s += QChar(u'0' + int(rng() % 10));
    return s;
}

// The surname of a female customer: "Иванов" -> "Иванова", "Ильин" -> "Ильина"; others stay.
QString femaleSurname(const QString &s)
{
    if (s.endsWith(u"ов") || s.endsWith(u"ев") || s.endsWith(u"ёв") || s.endsWith(u"ин"))
        return s + u'а';
    return s;
}

CardHeader header(std::mt19937_64 &rng)
{
    // Many customers share a surname: the first surnames of the list are drawn far more often.
    constexpr size_t kCount = std::size(kSurnames);
    const double u = std::uniform_real_distribution<double>(0, 1)(rng);
    QString familiya = QString::fromUtf8(kSurnames[std::min(kCount - 1, size_t(u * u * kCount))]);
    const bool female = rng() % 2;
    CardHeader h;
    QString otchestvo = pick(kPatronymics, rng);
    if (female) {
        familiya = femaleSurname(familiya);
        otchestvo =
            otchestvo == u"Ильич" ? QStringLiteral("Ильинична") : otchestvo.chopped(2) + QStringLiteral("на");
    }
    switch (rng() % 50) {
    case 0:
        familiya = familiya.toLower();
        break; // typed without the capital
    case 1:
        familiya = familiya.toUpper();
        break;
    case 2:
        otchestvo.clear();
        break;
    default:
        break;
    }
    h.familiya = familiya;
    h.imya = female ? pick(kFemaleNames, rng) : pick(kMaleNames, rng);
    h.otchestvo = otchestvo;
    h.telDom = rng() % 10 ? QStringLiteral("2") + digits(rng, 6) : QString();
    h.telRab = rng() % 5 < 3 ? QStringLiteral("3") + digits(rng, 6) : QString();
    h.denRozhd = QString::number(1 + rng() % 28);
    h.mesacRozhd = int(rng() % 13) - 1;
    h.godRozhd = QString::number(1930 + rng() % 76);
    return h;
}

TovarCls purchase(std::mt19937_64 &rng, std::uint64_t &serial)
{
    TovarCls p;
    p.Day = QString::number(1 + rng() % 28);
    p.Mesac = int(rng() % 12);
    p.God = QString::number(2000 + rng() % 26);
    p.Tovar = pick(kGoods, rng);
    p.Summa = QString::number(100 + rng() % 99900);
    const int items = int(rng() % 4);
    for (int i = 0; i < items; ++i) {
        p.NewIzdelie(pick(kItems, rng));
        p.NewIzdelie(QStringLiteral("SN-%1").arg(serial++ % 1000000, 6, 10, QLatin1Char('0')));
    }
    return p;
}

QString cardName(std::uint64_t k)
{
    return QStringLiteral("%1.dat").arg(k, 8, 10, QLatin1Char('0'));
}

bool writeFile(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
    return ::close(fd) == 0 && ok;
}

QByteArray markerText(int n)
{
    return QByteArray("tarvesko-bench ") + QByteArray::number(kGeneratorVersion) + ' ' +
           QByteArray::number(n) + '\n';
}

// Counts the "*.dat" names and adds up their sizes.
int countCards(const QString &baza, qint64 *bytes)
{
    *bytes = 0;
    const QByteArray folder = QFile::encodeName(baza);
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return -1;
    int n = 0;
    while (const dirent *e = ::readdir(dir)) {
        const size_t len = std::strlen(e->d_name);
        if (len > 4 && std::strcmp(e->d_name + len - 4, ".dat") == 0) {
            ++n;
            struct stat st {};
            if (::fstatat(::dirfd(dir), e->d_name, &st, 0) == 0)
                *bytes += st.st_size;
        }
    }
    ::closedir(dir);
    return n;
}

} // namespace

QByteArray cardBytes(std::uint64_t k)
{
    std::mt19937_64 rng(0x7a72766573ull * 1000003ull + k);
    Card card;
    card.header = header(rng);
    std::uint64_t serial = k * 7 + 4211;
    const int purchases = int(rng() % 5);
    for (int i = 0; i < purchases; ++i)
        card.pokupki.append(purchase(rng, serial));
    return cardfile::serialize(card);
}

QByteArray cardWithPurchases(std::uint64_t k, int purchases)
{
    std::mt19937_64 rng(k);
    Card card;
    card.header = header(rng);
    std::uint64_t serial = 1;
    for (int i = 0; i < purchases; ++i)
        card.pokupki.append(purchase(rng, serial));
    return cardfile::serialize(card);
}

Folder ensure(const QString &dataRoot, int n, bool regenerate)
{
    Folder f;
    f.root = dataRoot + QStringLiteral("/tarvesko-bench-%1").arg(n);
    f.baza = f.root + QStringLiteral("/База/");
    f.goods = f.root + QStringLiteral("/Товары.txt");
    const QString marker = f.root + QStringLiteral("/.generated");

    QFile m(marker);
    const bool reusable = !regenerate && m.open(QIODevice::ReadOnly) && m.readAll() == markerText(n) &&
                          countCards(f.baza, &f.bytes) == n;
    m.close();
    if (!reusable) {
        const auto start = std::chrono::steady_clock::now();
        QDir(f.root).removeRecursively();
        QDir().mkpath(f.baza);
        const QByteArray baza = QFile::encodeName(f.baza);
        for (int k = 1; k <= n; ++k) {
            if (!writeFile(baza + QFile::encodeName(cardName(std::uint64_t(k))), cardBytes(std::uint64_t(k))))
                qFatal("cannot write the cards of %s", qPrintable(f.baza));
        }
        QByteArray goods;
        for (const char *g : kGoods)
            goods += cp1251::encode(QString::fromUtf8(g)) + "\r\n";
        writeFile(QFile::encodeName(f.goods), goods);
        writeFile(QFile::encodeName(marker), markerText(n));
        countCards(f.baza, &f.bytes);
        f.generatedSecs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    f.count = n;
    return f;
}

void Restorer::remember(const QString &fileName)
{
    if (m_saved.contains(fileName))
        return;
    QFile file(m_baza + fileName);
    m_saved.insert(fileName,
                   file.open(QIODevice::ReadOnly) ? std::optional<QByteArray>(file.readAll()) : std::nullopt);
}

void Restorer::created(const QString &fileName)
{
    if (!m_saved.contains(fileName))
        m_saved.insert(fileName, std::nullopt);
}

void Restorer::restore()
{
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
        const QByteArray path = QFile::encodeName(m_baza + it.key());
        if (it.value())
            writeFile(path, *it.value());
        else
            ::unlink(path.constData());
    }
    m_saved.clear();
    QDir(m_baza + QStringLiteral(".history")).removeRecursively(); // the versions the measured writes kept
}

} // namespace benchdata
