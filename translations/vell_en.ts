<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>BestShifts</name>
    <message>
        <source>1 круг</source>
        <translation>1 circuit</translation>
    </message>
    <message>
        <source>2 круга</source>
        <translation>2 circuits</translation>
    </message>
    <message>
        <source>3 круга</source>
        <translation>3 circuits</translation>
    </message>
    <message>
        <source>4 круга</source>
        <translation>4 circuits</translation>
    </message>
    <message>
        <source>5 кругов</source>
        <translation>5 circuits</translation>
    </message>
    <message>
        <source>Лучшая смена %1 пропущена: %2.</source>
        <translation>Best shift %1 skipped: %2.</translation>
    </message>
    <message>
        <source>это файл не того вида</source>
        <translation>it is not a file of this kind</translation>
    </message>
    <message>
        <source>файл обрывается раньше времени</source>
        <translation>the file ends too early</translation>
    </message>
    <message>
        <source>файл версии %1, а эта программа читает версию %2</source>
        <translation>the file is of version %1, and this program reads version %2</translation>
    </message>
    <message>
        <source>файл повреждён: контрольная сумма не сходится</source>
        <translation>the file is damaged: the checksum does not match</translation>
    </message>
    <message>
        <source>в файле то, чего смена не достигает</source>
        <translation>the file holds figures no shift reaches</translation>
    </message>
    <message>
        <source>Папка лучших смен %1 не читается: %2.</source>
        <translation>The best shifts folder %1 cannot be read: %2.</translation>
    </message>
    <message>
        <source>файл слишком велик</source>
        <translation>the file is too big</translation>
    </message>
    <message>
        <source>Не удалось записать лучшую смену %1: %2</source>
        <translation>Could not write the best shift %1: %2</translation>
    </message>
    <message>
        <source>без конца</source>
        <translation>open</translation>
    </message>
    <message>
        <source>кругов: %1</source>
        <translation>circuits: %1</translation>
    </message>
    <message>
        <source>%1 минут</source>
        <translation>%1 minutes</translation>
    </message>
    <message>
        <source>минут: %1</source>
        <translation>minutes: %1</translation>
    </message>
    <message>
        <source>нет её записи поездки %1</source>
        <translation>its recording %1 is missing</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>можно открыть только одну карту, лишнее имя: %1</source>
        <translation>only one map can be opened, extra name: %1</translation>
    </message>
    <message>
        <source>параметру %1 нужно значение</source>
        <translation>option %1 needs a value</translation>
    </message>
    <message>
        <source>неизвестный язык %1, есть ru и en</source>
        <translation>unknown language %1, there are ru and en</translation>
    </message>
    <message>
        <source>неизвестный параметр %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>Использование: %1 [ПАРАМЕТРЫ] [КАРТА.vl]
</source>
        <translation>Usage: %1 [OPTIONS] [MAP.vl]
</translation>
    </message>
    <message>
        <source>Имя карты без точки получает расширение .vl.

Принимаются и параметры самой Qt, например:
  -platform offscreen|xcb|wayland   оконная система
  -style Fusion                     вид окон
  -qwindowgeometry 800x600+0+0      размер и место первого окна
  -reverse                          окна с раскладкой справа налево
</source>
        <translation>A map name without a dot gets the extension .vl.

Qt&apos;s own options are accepted too, for example:
  -platform offscreen|xcb|wayland   the window system
  -style Fusion                     the look of the windows
  -qwindowgeometry 800x600+0+0      size and place of the first window
  -reverse                          right-to-left window layout
</translation>
    </message>
    <message>
        <source>Подробнее: %1 --help</source>
        <translation>More: %1 --help</translation>
    </message>
    <message>
        <source>Трамвайная игра: прокладывает маршруты карты и пускает по ним трамваи; можно
смотреть на город сверху или вести трамвай из кабины.
</source>
        <translation>A tram game: lays the map&apos;s routes and runs trams on them; watch the city
from above or drive a tram from the cab.
</translation>
    </message>
    <message>
        <source>Названная карта открывается сразу, как через «Выбрать карту...», и её маршруты
видны в таблице. Без неё выбор карты начинается в папке карт игры.
</source>
        <translation>A map named here opens at once, as with &quot;Open map...&quot;, and its routes are
listed in the table. Without one, choosing a map starts in the game&apos;s maps folder.
</translation>
    </message>
    <message>
        <source>Редактор карт трамвайной игры VellGame: границы, стены, рельсы, деревья, двойные
пути с опорами и маршруты; проверяет рельсовую сеть и сохраняет карту .vl.
</source>
        <translation>The map editor of the tram game VellGame: borders, walls, rails, trees, double
tracks with poles, and routes; checks the rail network and saves the .vl map.
</translation>
    </message>
    <message>
        <source>Названная карта открывается для правки; без неё начинается новая карта.
</source>
        <translation>A map named here opens for editing; without one a new map begins.
</translation>
    </message>
    <message>
        <source>нужен графический экран (X11 или Wayland), а его нет; без экрана работает VellSim</source>
        <translation>needs a graphical display (X11 or Wayland) and there is none; VellSim works without one</translation>
    </message>
    <message>
        <source>с --continue карту не называют: её берут из сохранения, лишнее имя: %1</source>
        <translation>--continue names no map: the map comes from the save, extra name: %1</translation>
    </message>
    <message>
        <source>
Параметры:
  -h, --help   показать эту справку и выйти
  --version    показать версию программы и выйти
  --lang ru|en язык программы; без него язык берётся из локали
               (русский для русской и для C, иначе английский)
</source>
        <translation>
Options:
  -h, --help   show this help and exit
  --version    show the program&apos;s version and exit
  --lang ru|en the program&apos;s language; without it the locale decides
               (Russian for a Russian locale and for C, English otherwise)
</translation>
    </message>
    <message>
        <source>  --           конец параметров: дальше только имя карты, даже если оно
               начинается с «-»

</source>
        <translation>  --           end of options: only the map name follows, even if it
               starts with &quot;-&quot;

</translation>
    </message>
    <message>
        <source>  --continue ФАЙЛ  продолжить сохранённую игру (.vls): открыть её карту
               и кабину там, где игрок её оставил
</source>
        <translation>  --continue FILE  continue a saved game (.vls): open its map and the cab
               where the player left it
</translation>
    </message>
</context>
<context>
    <name>Crash</name>
    <message>
        <source>Сход с рельсов: трамвай пересёк другой рельс на скорости %1 км/ч, а быстрее %2 км/ч пересекать нельзя.</source>
        <translation>Derailed: the tram crossed another rail at %1 km/h, and no rail may be crossed faster than %2 km/h.</translation>
    </message>
    <message>
        <source>Сход с рельсов: скорость %1 км/ч выше предела этого пути %2 км/ч.</source>
        <translation>Derailed: %1 km/h is above this track&apos;s limit of %2 km/h.</translation>
    </message>
    <message>
        <source>Трамвай опрокинулся на повороте: скорость %1 км/ч, а этот поворот проходят не быстрее %2 км/ч.</source>
        <translation>The tram overturned in a curve: %1 km/h where this curve allows no more than %2 km/h.</translation>
    </message>
    <message>
        <source>Столкновение с поездом %1 маршрута %2.</source>
        <translation>Collided with tram %1 of route %2.</translation>
    </message>
</context>
<context>
    <name>Diagram</name>
    <message>
        <source>Маршрут %1: график движения, %2 мин</source>
        <translation>Route %1: time-distance diagram, %2 min</translation>
    </message>
    <message>
        <source>время, мин</source>
        <translation>time, min</translation>
    </message>
    <message>
        <source>начало</source>
        <translation>start</translation>
    </message>
    <message>
        <source>%1 м</source>
        <translation>%1 m</translation>
    </message>
    <message>
        <source>расстояние по маршруту</source>
        <translation>distance along the route</translation>
    </message>
    <message>
        <source>ост. %1</source>
        <translation>stop %1</translation>
    </message>
    <message>
        <source>поезд (в его цвете, номер в конце линии)</source>
        <translation>tram (in its colour, its number where the line ends)</translation>
    </message>
    <message>
        <source>его расписание</source>
        <translation>its timetable</translation>
    </message>
    <message>
        <source>стоит в заторе дольше минуты</source>
        <translation>blocked for more than a minute</translation>
    </message>
</context>
<context>
    <name>EditSteps</name>
    <message>
        <source>рисование бордёра</source>
        <translation>drawing a border</translation>
    </message>
    <message>
        <source>рисование стены</source>
        <translation>drawing a wall</translation>
    </message>
    <message>
        <source>рисование высокой стены</source>
        <translation>drawing a high wall</translation>
    </message>
    <message>
        <source>рисование арки</source>
        <translation>drawing an arch</translation>
    </message>
    <message>
        <source>рисование рельса</source>
        <translation>drawing a rail</translation>
    </message>
    <message>
        <source>рисование деревьев</source>
        <translation>drawing trees</translation>
    </message>
    <message>
        <source>рисование двупутки</source>
        <translation>drawing a double track</translation>
    </message>
    <message>
        <source>рисование двупутки со столбами</source>
        <translation>drawing a double track with poles</translation>
    </message>
    <message>
        <source>рисование двупутки с полосой</source>
        <translation>drawing a double track with a lane</translation>
    </message>
    <message>
        <source>рисование двупутки с зеленью</source>
        <translation>drawing a double track with greenery</translation>
    </message>
    <message>
        <source>рисование</source>
        <translation>drawing</translation>
    </message>
    <message>
        <source>перемещение концов</source>
        <translation>moving ends</translation>
    </message>
    <message>
        <source>удаление неверных объектов</source>
        <translation>removing invalid objects</translation>
    </message>
    <message>
        <source>удаление выделенного</source>
        <translation>deleting the selection</translation>
    </message>
    <message>
        <source>преобразование выделенного</source>
        <translation>converting the selection</translation>
    </message>
    <message>
        <source>запоминание цвета</source>
        <translation>taking a color</translation>
    </message>
    <message>
        <source>применение цвета</source>
        <translation>applying a color</translation>
    </message>
    <message>
        <source>выбор цвета</source>
        <translation>choosing a color</translation>
    </message>
    <message>
        <source>преобразование 2-путок</source>
        <translation>laying double tracks</translation>
    </message>
    <message>
        <source>добавление точки маршрута</source>
        <translation>adding a route point</translation>
    </message>
    <message>
        <source>очистка маршрута</source>
        <translation>clearing the route</translation>
    </message>
    <message>
        <source>выбор маршрута</source>
        <translation>choosing the route</translation>
    </message>
    <message>
        <source>число вагонов</source>
        <translation>number of cars</translation>
    </message>
    <message>
        <source>интервал маршрута</source>
        <translation>route interval</translation>
    </message>
</context>
<context>
    <name>EditorFlows</name>
    <message>
        <source>Вы действительно хотите выйти?</source>
        <translation>Do you really want to quit?</translation>
    </message>
</context>
<context>
    <name>FileFault</name>
    <message>
        <source>Файл не найден.</source>
        <translation>File not found.</translation>
    </message>
    <message>
        <source>Папка не найдена.</source>
        <translation>Folder not found.</translation>
    </message>
    <message>
        <source>Нет прав доступа.</source>
        <translation>Permission denied.</translation>
    </message>
    <message>
        <source>Папка доступна только для чтения.</source>
        <translation>The folder is read-only.</translation>
    </message>
    <message>
        <source>Недостаточно места на диске.</source>
        <translation>Not enough disk space.</translation>
    </message>
    <message>
        <source>Файл слишком велик.</source>
        <translation>The file is too large.</translation>
    </message>
    <message>
        <source>Это папка, а не файл.</source>
        <translation>This is a folder, not a file.</translation>
    </message>
    <message>
        <source>Слишком длинное имя файла.</source>
        <translation>The file name is too long.</translation>
    </message>
    <message>
        <source>Файл пуст.</source>
        <translation>The file is empty.</translation>
    </message>
    <message>
        <source>Файл повреждён.</source>
        <translation>The file is damaged.</translation>
    </message>
    <message>
        <source>Рисунок заменил бы саму карту.</source>
        <translation>The picture would replace the map itself.</translation>
    </message>
    <message>
        <source>Файл защищён от записи.</source>
        <translation>The file is write-protected.</translation>
    </message>
    <message>
        <source>Файл нельзя заменить, не потеряв его ссылки, владельца или атрибуты.</source>
        <translation>The file cannot be replaced without losing its links, owner or attributes.</translation>
    </message>
    <message>
        <source>Это не обычный файл.</source>
        <translation>It is not a regular file.</translation>
    </message>
    <message>
        <source>Канал никто не читает.</source>
        <translation>Nobody is reading the pipe.</translation>
    </message>
</context>
<context>
    <name>Import</name>
    <message>
        <source>Неизвестный формат выписки OpenStreetMap: %1.</source>
        <translation>Unknown OpenStreetMap extract format: %1.</translation>
    </message>
    <message>
        <source>Не удалось прочитать %1.</source>
        <translation>Could not read %1.</translation>
    </message>
    <message>
        <source>Не удалось прочитать %1. %2</source>
        <translation>Could not read %1. %2</translation>
    </message>
    <message>
        <source>Не хватило памяти, чтобы прочитать %1.</source>
        <translation>Not enough memory to read %1.</translation>
    </message>
    <message>
        <source>Выписка OpenStreetMap %1 повреждена или оборвана.</source>
        <translation>The OpenStreetMap extract %1 is damaged or cut short.</translation>
    </message>
    <message>
        <source>В выписке %1 нет трамвайных путей (railway=tram).</source>
        <translation>The extract %1 holds no tram track (railway=tram).</translation>
    </message>
    <message>
        <source>В выписке %1 нет ни одной точки трамвайных путей: их узлов нет в файле.</source>
        <translation>The extract %1 holds no point of its tram track: the file lacks their nodes.</translation>
    </message>
    <message>
        <source>У трамвайных путей выписки нет ни одного участка с допустимыми координатами.</source>
        <translation>No stretch of the extract&apos;s tram track has usable coordinates.</translation>
    </message>
    <message>
        <source>маршрут %1</source>
        <translation>route %1</translation>
    </message>
    <message>
        <source>его путей нет внутри квадрата карты</source>
        <translation>none of its track lies inside the map&apos;s square</translation>
    </message>
    <message>
        <source>рельсовая сеть не прошла проверку</source>
        <translation>the rail network failed its check</translation>
    </message>
    <message>
        <source>В квадрате 10 км вокруг %1, %2 нет трамвайных путей выписки %3.</source>
        <translation>The 10 km square around %1, %2 holds no tram track of the extract %3.</translation>
    </message>
    <message>
        <source>кольцо в начале</source>
        <translation>loop at the start</translation>
    </message>
    <message>
        <source>кольцо в конце</source>
        <translation>loop at the end</translation>
    </message>
    <message>
        <source>обрезан краем квадрата или выписки</source>
        <translation>cut by the edge of the square or the extract</translation>
    </message>
    <message>
        <source>один маршрут OSM в обе стороны, путь сделан двойным</source>
        <translation>one OSM route driven both ways, its track made double</translation>
    </message>
    <message>
        <source>не взяты варианты: %1</source>
        <translation>variants not imported: %1</translation>
    </message>
    <message>
        <source>Выписка: %1</source>
        <translation>Extract: %1</translation>
    </message>
    <message>
        <source>Квадрат 10 x 10 км: центр %1; юго-запад %2; северо-восток %3</source>
        <translation>Square 10 x 10 km: centre %1; south-west %2; north-east %3</translation>
    </message>
    <message>
        <source>Прочитано: трамвайных путей %1 км (в квадрате %2 км, %3 линий OSM), маршрутов OSM %4, остановок %5, платформ %6</source>
        <translation>Read: %1 km of tram track (%2 km in the square, %3 OSM ways), %4 OSM routes, %5 stops, %6 platforms</translation>
    </message>
    <message>
        <source>Выписка обрезана: точек путей без координат %1, членов маршрутов нет в файле %2</source>
        <translation>The extract is clipped: %1 track nodes without a location, %2 route members not in the file</translation>
    </message>
    <message>
        <source>В квадрате: зданий %1, рядов деревьев %2, деревьев %3, парков %4</source>
        <translation>In the square: %1 buildings, %2 tree rows, %3 trees, %4 parks</translation>
    </message>
    <message>
        <source>Рельсовая сеть: в порядке</source>
        <translation>Rail network: in order</translation>
    </message>
    <message>
        <source>Рельсовая сеть с ошибками, рельсы: %1</source>
        <translation>Rail network with faults, rails: %1</translation>
    </message>
    <message>
        <source>Ни один маршрут не взят: на карте нет маршрутов</source>
        <translation>No route was imported: the map has no routes</translation>
    </message>
    <message>
        <source>Маршруты (остановок, длина, круг; по данным OSM: длина путей в квадрате, остановок):</source>
        <translation>Routes (stops, length, circuit; from OSM: track length in the square, stops):</translation>
    </message>
    <message>
        <source>%1 ост., %2 км, %3 мин; OSM: %4 км, %5 ост.</source>
        <translation>%1 stops, %2 km, %3 min; OSM: %4 km, %5 stops</translation>
    </message>
    <message>
        <source>Не взято:</source>
        <translation>Left out:</translation>
    </message>
    <message>
        <source>остановки маршрута %1</source>
        <translation>stops of route %1</translation>
    </message>
    <message>
        <source>%1 из них дальше 40 м от путей маршрута в квадрате: %2</source>
        <translation>%1 of them farther than 40 m from the route&apos;s track in the square: %2</translation>
    </message>
    <message>
        <source>на карте не хватило места для рельсов</source>
        <translation>the map has no room for its rails</translation>
    </message>
    <message>
        <source>для разворотного кольца нет места</source>
        <translation>no room for a turning loop</translation>
    </message>
    <message>
        <source>в круге меньше двух рельсов</source>
        <translation>its circuit has fewer than two rails</translation>
    </message>
    <message>
        <source>рельсы круга не идут один за другим</source>
        <translation>the rails of its circuit do not follow one another</translation>
    </message>
    <message>
        <source>маршрут не удержать 31 опорной точкой</source>
        <translation>31 waypoints cannot hold the route</translation>
    </message>
    <message>
        <source>больше 1024 стрелок за круг</source>
        <translation>more than 1024 switches a circuit</translation>
    </message>
    <message>
        <source>прокладка маршрута уходит с его путей</source>
        <translation>the route&apos;s laying leaves its track</translation>
    </message>
    <message>
        <source>пути без маршрутов</source>
        <translation>track without routes</translation>
    </message>
    <message>
        <source>%1 км в квадрате: депо, служебные пути и пути, по которым не идёт ни один взятый маршрут</source>
        <translation>%1 km in the square: depots, service track and track no imported route runs on</translation>
    </message>
    <message>
        <source>Город: бордёров %1, столбов %2, арок %3, зданий %4 (стен %5, высоких стен %6), рядов деревьев %7</source>
        <translation>City: %1 borders, %2 poles, %3 arches, %4 buildings (%5 walls, %6 high walls), %7 tree rows</translation>
    </message>
    <message>
        <source>Не поместилось в 65535 объектов: зданий %1, арок %2, рядов деревьев %3 (дальние от путей)</source>
        <translation>Beyond the 65535 objects: %1 buildings, %2 arches, %3 tree rows (those farthest from the track)</translation>
    </message>
    <message>
        <source>Стен зданий, укороченных у путей: %1</source>
        <translation>Building walls cut short at the track: %1</translation>
    </message>
    <message>
        <source>Разворотных колец, пересекающих другие пути или идущих ближе 5 м от них: %1 (там трамваи могут ждать друг друга)</source>
        <translation>Turning loops that cross other track or run within 5 m of it: %1 (trams may wait for each other there)</translation>
    </message>
    <message>
        <source>в одну из сторон внутри квадрата меньше 25 м его путей</source>
        <translation>less than 25 m of its track lies inside the square one way</translation>
    </message>
    <message>
        <source>Однопутные участки, по которым трамваи ходят в обе стороны, сделаны двухпутными: %1 км</source>
        <translation>Single track run both ways, laid as double track: %1 km</translation>
    </message>
    <message>
        <source>Не удалось импортировать %1.</source>
        <translation>Could not import %1.</translation>
    </message>
    <message>
        <source>Сделано: %1 (%2 км), %3, %4, %5</source>
        <translation>Made: %1 (%2 km), %3, %4, %5</translation>
    </message>
    <message numerus="yes">
        <source>рельсов %n</source>
        <translation>
            <numerusform>%n rail</numerusform>
            <numerusform>%n rails</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>остановок %n</source>
        <translation>
            <numerusform>%n stop</numerusform>
            <numerusform>%n stops</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>разворотных колец %n</source>
        <translation>
            <numerusform>%n turning loop</numerusform>
            <numerusform>%n turning loops</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>маршрутов %n</source>
        <translation>
            <numerusform>%n route</numerusform>
            <numerusform>%n routes</numerusform>
        </translation>
    </message>
    <message>
        <source>все %1 мест таблицы маршрутов уже заняты</source>
        <translation>all %1 places of the route table are taken</translation>
    </message>
    <message>
        <source>одностороннее движение (oneway) не даёт вернуться по путям к его началу</source>
        <translation>one-way track (oneway) leaves no way back along the track to its start</translation>
    </message>
    <message>
        <source>кольцевой, в одну сторону</source>
        <translation>circular, one way round</translation>
    </message>
    <message>
        <source>сделан по путям</source>
        <translation>made from the track</translation>
    </message>
    <message>
        <source>из отношений OSM</source>
        <translation>from OSM relations</translation>
    </message>
    <message>
        <source>%1 «%2» (%3)</source>
        <translation>%1 “%2” (%3)</translation>
    </message>
    <message>
        <source>авария</source>
        <translation>an accident</translation>
    </message>
    <message>
        <source>трамваи вечно ждут друг друга</source>
        <translation>trams wait for one another for good</translation>
    </message>
    <message>
        <source>%1 на %2-й минуте прогона (зерно %3)</source>
        <translation>%1 at minute %2 of the run (seed %3)</translation>
    </message>
    <message>
        <source>у %1, %2: %3</source>
        <translation>at %1, %2: %3</translation>
    </message>
    <message>
        <source>маршрут %1 не взят: %2</source>
        <translation>route %1 left out: %2</translation>
    </message>
    <message>
        <source>маршруты %1</source>
        <translation>routes %1</translation>
    </message>
    <message>
        <source>Исправлено на месте, чтобы сеть прошла проверку и трамваи не ждали друг друга вечно:</source>
        <translation>Mended in place, so that the network passes its check and trams do not wait for one another for good:</translation>
    </message>
    <message>
        <source>Прогон трамваев на карте нашёл то, что исправить не удалось:</source>
        <translation>Running the trams on the map found what could not be mended:</translation>
    </message>
    <message>
        <source>пути встречных направлений разведены на 4 м: иначе трамваи ждали бы друг друга</source>
        <translation>tracks of opposite directions moved 4 m apart: trams would otherwise wait for one another</translation>
    </message>
    <message>
        <source>остановка снята: её рельс короче 25 м</source>
        <translation>stop given up: its rail is shorter than 25 m</translation>
    </message>
    <message>
        <source>стык рельсов сдвинут на %1 м: у рельса было больше шести рельсов ближе 4 м</source>
        <translation>joint of two rails moved by %1 m: the rail had more than six rails within 4 m</translation>
    </message>
    <message>
        <source>два рельса сделаны одним: у рельса было больше шести рельсов ближе 4 м</source>
        <translation>two rails made one: the rail had more than six rails within 4 m</translation>
    </message>
    <message>
        <source>рельсовая сеть у %1, %2 не проходит проверку (%3), и исправить её на месте не удалось</source>
        <translation>the rail network at %1, %2 fails its check (%3) and could not be mended in place</translation>
    </message>
    <message>
        <source>сделан по путям, в обе стороны</source>
        <translation>made from the track, both ways</translation>
    </message>
    <message>
        <source>%1 не выписка OpenStreetMap: в нём нет ни PBF, ни OSM XML (в том числе сжатого gzip или bzip2).</source>
        <translation>%1 is not an OpenStreetMap extract: it holds neither PBF nor OSM XML (plain or packed with gzip or bzip2).</translation>
    </message>
    <message>
        <source>%1: выписка PBF, сжатая ещё раз (gzip или bzip2), не читается; распакуйте её.</source>
        <translation>%1: a PBF extract packed once more (gzip or bzip2) cannot be read; unpack it.</translation>
    </message>
    <message>
        <source>трамваи здесь вечно ждали друг друга (зерно %1): на путях в %2 м вокруг им не дано останавливаться</source>
        <translation>trams waited for one another here for good (seed %1): they may not stop on the track within %2 m</translation>
    </message>
    <message>
        <source>один маршрут OSM, его пути односторонние: обратно по кратчайшему пути</source>
        <translation>one OSM route on one-way track: back by the shortest way</translation>
    </message>
</context>
<context>
    <name>Jams</name>
    <message>
        <source>поезд %1, маршрут %2</source>
        <translation>tram %1, route %2</translation>
    </message>
    <message>
        <source>путь %1</source>
        <translation>rail %1</translation>
    </message>
    <message>
        <source>ждал: никто</source>
        <translation>waited for: nobody</translation>
    </message>
    <message>
        <source>ждёт: никто</source>
        <translation>waits for: nobody</translation>
    </message>
    <message>
        <source>ждал поезд %1</source>
        <translation>waited for tram %1</translation>
    </message>
    <message>
        <source>ждёт поезд %1</source>
        <translation>waits for tram %1</translation>
    </message>
    <message>
        <source>, с %1 мин</source>
        <translation>, since %1 min</translation>
    </message>
    <message>
        <source>, с %1 мин стоит %2 мин, </source>
        <translation>, from %1 min standing for %2 min, </translation>
    </message>
    <message>
        <source>, с %1 мин стоял %2 мин, </source>
        <translation>, from %1 min stood for %2 min, </translation>
    </message>
    <message>
        <source>с %1 мин: </source>
        <translation>since %1 min: </translation>
    </message>
    <message>
        <source>поезд %1 (маршрут %2, путь %3) → </source>
        <translation>tram %1 (route %2, rail %3) → </translation>
    </message>
    <message>
        <source>поезд %1</source>
        <translation>tram %1</translation>
    </message>
    <message>
        <source>Стоящих поездов нет</source>
        <translation>No trams standing</translation>
    </message>
    <message>
        <source>Стоят сейчас:</source>
        <translation>Standing now:</translation>
    </message>
    <message>
        <source>Взаимных блокировок нет</source>
        <translation>No deadlocks</translation>
    </message>
    <message>
        <source>Взаимные блокировки:</source>
        <translation>Deadlocks:</translation>
    </message>
    <message>
        <source>Заторов дольше %1 мин нет</source>
        <translation>No jams longer than %1 min</translation>
    </message>
    <message>
        <source>Заторы дольше %1 мин:</source>
        <translation>Jams longer than %1 min:</translation>
    </message>
</context>
<context>
    <name>Map</name>
    <message>
        <source>Новая</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Карта &apos;%1&apos; была изменена. Сохранить?</source>
        <translation>The map &apos;%1&apos; has been changed. Save it?</translation>
    </message>
    <message>
        <source>Ошибка при открытии карты!</source>
        <translation>Could not open the map!</translation>
    </message>
    <message>
        <source>Ошибка при сохранении карты!</source>
        <translation>Could not save the map!</translation>
    </message>
    <message>
        <source>Карта %1 уже существует. Заменить?</source>
        <translation>The map %1 already exists. Replace it?</translation>
    </message>
    <message>
        <source>ошибок нет</source>
        <translation>no error</translation>
    </message>
    <message>
        <source>файл не найден или не читается</source>
        <translation>the file is missing or cannot be read</translation>
    </message>
    <message>
        <source>файл обрывается раньше времени</source>
        <translation>the file ends too early</translation>
    </message>
    <message>
        <source>у маршрута больше 31 точки</source>
        <translation>a route has more than 31 points</translation>
    </message>
    <message>
        <source>точка маршрута ссылается на несуществующий объект</source>
        <translation>a route point names an object that does not exist</translation>
    </message>
    <message>
        <source>неизвестная ошибка</source>
        <translation>unknown error</translation>
    </message>
</context>
<context>
    <name>MapExtras</name>
    <message>
        <source>Это файл не того вида.</source>
        <translation>This is not a file of that kind.</translation>
    </message>
    <message>
        <source>Файл обрывается раньше времени.</source>
        <translation>The file ends too early.</translation>
    </message>
    <message>
        <source>Файл версии %1, а эта программа читает версию %2.</source>
        <translation>The file is of version %1; this program reads version %2.</translation>
    </message>
    <message>
        <source>Файл не читается.</source>
        <translation>The file cannot be read.</translation>
    </message>
    <message>
        <source>Файл %1 при карте пропущен, названия линий не показаны: %2</source>
        <translation>The file %1 beside the map was passed over; the line names are not shown: %2</translation>
    </message>
    <message>
        <source>Подробный вид города не показан: файл при карте сделан для другой карты.</source>
        <translation>The detailed view of the city is not shown: the file beside the map was made for another map.</translation>
    </message>
    <message>
        <source>Файл %1 при карте пропущен, подробный вид города не показан: %2</source>
        <translation>The file %1 beside the map was passed over; the detailed view of the city is not shown: %2</translation>
    </message>
</context>
<context>
    <name>Network</name>
    <message>
        <source>тупик: рельс никуда не ведёт</source>
        <translation>dead end: the rail leads nowhere</translation>
    </message>
    <message>
        <source>больше двух продолжений</source>
        <translation>more than two successors</translation>
    </message>
    <message>
        <source>больше шести рельсов ближе 4 м</source>
        <translation>more than six rails nearer than 4 m</translation>
    </message>
    <message>
        <source>остановка короче 25 м</source>
        <translation>stop shorter than 25 m</translation>
    </message>
</context>
<context>
    <name>ObjectKind</name>
    <message>
        <source>Бордёр</source>
        <translation>Border</translation>
    </message>
    <message>
        <source>Стена</source>
        <translation>Wall</translation>
    </message>
    <message>
        <source>Выс. стена</source>
        <translation>High wall</translation>
    </message>
    <message>
        <source>Арка</source>
        <translation>Arch</translation>
    </message>
    <message>
        <source>Рельс</source>
        <translation>Rail</translation>
    </message>
    <message>
        <source>Деревья</source>
        <translation>Trees</translation>
    </message>
    <message>
        <source>Двупутка</source>
        <translation>Double track</translation>
    </message>
    <message>
        <source>Двупутка и столбы</source>
        <translation>Double track with poles</translation>
    </message>
    <message>
        <source>Двупутка и полоса</source>
        <translation>Double track with lane</translation>
    </message>
    <message>
        <source>Двупутка и зелень</source>
        <translation>Double track with greenery</translation>
    </message>
    <message>
        <source>Неизвестный (%1)</source>
        <translation>Unknown (%1)</translation>
    </message>
</context>
<context>
    <name>PlanView</name>
    <message>
        <source>Линий: </source>
        <translation>Lines: </translation>
    </message>
</context>
<context>
    <name>Recovery</name>
    <message>
        <source>Редактор карт был закрыт без сохранения. Найдена копия карты &apos;%1&apos; от %2. Восстановить её?</source>
        <translation>The map editor was closed without saving. A copy of the map &apos;%1&apos; from %2 was found. Restore it?</translation>
    </message>
    <message>
        <source>Копию карты для восстановления не удалось прочитать: %1</source>
        <translation>The recovery copy of the map could not be read: %1</translation>
    </message>
    <message>
        <source>Запись карты &apos;%1&apos; прервалась (%2). Найдена копия карты до записи. Восстановить её?</source>
        <translation>Saving the map &apos;%1&apos; was cut short (%2). A copy of the map from before the save was found. Restore it?</translation>
    </message>
    <message>
        <source>Удалить её?</source>
        <translation>Delete it?</translation>
    </message>
    <message>
        <source>Карта восстановлена без имени: путь &apos;%1&apos; не подходит для имени карты. Сохраните её под нужным именем.</source>
        <translation>The map was restored without a name: the path &apos;%1&apos; cannot be a map name. Save it under the name you want.</translation>
    </message>
    <message>
        <source>Копии несохранённых изменений не записываются.</source>
        <translation>Copies of unsaved changes are not being written.</translation>
    </message>
</context>
<context>
    <name>Replay</name>
    <message>
        <source>Запись поездки повреждена: %1.</source>
        <translation>The drive recording is damaged: %1.</translation>
    </message>
    <message>
        <source>Это не файл записи поездки.</source>
        <translation>This is not a drive recording.</translation>
    </message>
    <message>
        <source>Файл записи поездки обрывается раньше времени.</source>
        <translation>The drive recording ends too early.</translation>
    </message>
    <message>
        <source>Запись поездки другой версии формата (%1): эта программа читает версию %2.</source>
        <translation>The drive recording is of another format version (%1): this program reads version %2.</translation>
    </message>
    <message>
        <source>Файл записи поездки повреждён: контрольная сумма не сходится.</source>
        <translation>The drive recording is damaged: the checksum does not match.</translation>
    </message>
    <message>
        <source>событий больше, чем помещается в файле</source>
        <translation>more events than the file can hold</translation>
    </message>
    <message>
        <source>события обрываются</source>
        <translation>the events end too early</translation>
    </message>
    <message>
        <source>неизвестные флаги события</source>
        <translation>unknown event flags</translation>
    </message>
    <message>
        <source>события не по порядку шагов или после конца</source>
        <translation>events out of step order or after the end</translation>
    </message>
    <message>
        <source>контроллер вне пределов -1..1</source>
        <translation>controller outside -1..1</translation>
    </message>
    <message>
        <source>у первого события нет положения контроллера</source>
        <translation>the first event has no controller position</translation>
    </message>
    <message>
        <source>начало обрывается</source>
        <translation>the start ends too early</translation>
    </message>
    <message>
        <source>Начало записи поездки не читается: %1</source>
        <translation>The start of the drive recording cannot be read: %1</translation>
    </message>
    <message>
        <source>конец раньше начала</source>
        <translation>the end comes before the start</translation>
    </message>
    <message>
        <source>лишние данные после событий</source>
        <translation>extra data after the events</translation>
    </message>
    <message>
        <source>Не удалось прочитать запись поездки %1: %2</source>
        <translation>Could not read the drive recording %1: %2</translation>
    </message>
    <message>
        <source>Не удалось записать запись поездки %1: %2</source>
        <translation>Could not write the drive recording %1: %2</translation>
    </message>
    <message>
        <source>В начале записи поездки нет трамвая игрока: его команды некому передать.</source>
        <translation>The start of the drive recording has no player&apos;s tram: there is nobody to give its commands to.</translation>
    </message>
    <message>
        <source>событий больше, чем шагов записи</source>
        <translation>more events than steps in the recording</translation>
    </message>
    <message>
        <source>длиннее %1 шагов мира</source>
        <translation>longer than %1 world steps</translation>
    </message>
    <message>
        <source>Запись остановлена на шаге %1 из %2.</source>
        <translation>The recording was stopped at step %1 of %2.</translation>
    </message>
</context>
<context>
    <name>RouteEditing</name>
    <message>
        <source>С рельсами всё в порядке</source>
        <translation>The rails are all in order</translation>
    </message>
    <message>
        <source>Маршрут не задан</source>
        <translation>No route set</translation>
    </message>
    <message>
        <source>1 точка (маршрут не задан)</source>
        <translation>1 point (no route set)</translation>
    </message>
    <message>
        <source>%1 точка</source>
        <translation>%1 points</translation>
    </message>
    <message>
        <source>%1 точки</source>
        <translation>%1 points</translation>
    </message>
    <message>
        <source>%1 точек</source>
        <translation>%1 points</translation>
    </message>
    <message>
        <source>Маршрут %1 не проложен: ошибка с рельсами. Неисправных рельсов: %2 (выделены); рельс %3: %4</source>
        <translation>Route %1 is not laid: rail error. Faulty rails: %2 (selected); rail %3: %4</translation>
    </message>
    <message>
        <source>Маршрут %1 замыкается; его рельсы выделены (%2).</source>
        <translation>Route %1 closes; its rails are selected (%2).</translation>
    </message>
    <message>
        <source>Маршрут %1 не задан: нужны хотя бы две точки.</source>
        <translation>Route %1 is not set: it needs at least two points.</translation>
    </message>
    <message>
        <source>Маршрут %1 не замыкается: точка %2 не рельс.</source>
        <translation>Route %1 does not close: point %2 is no rail.</translation>
    </message>
    <message>
        <source>Маршрут %1 замыкается, но минует точку %3: от точки %2 к ней нет пути.</source>
        <translation>Route %1 closes but passes point %3 by: no track leads to it from point %2.</translation>
    </message>
    <message>
        <source>Маршрут %1 не замыкается: от точки %2 нет пути к точке %3.</source>
        <translation>Route %1 does not close: no track leads from point %2 to point %3.</translation>
    </message>
    <message>
        <source>Маршрут %1 не проложен: за круг больше %2 проездов стрелок.</source>
        <translation>Route %1 is not laid: it passes switches more than %2 times in a circuit.</translation>
    </message>
    <message>
        <source>Маршрут %1 не замыкается: путь от первой точки не возвращается к ней.</source>
        <translation>Route %1 does not close: the track from the first point does not come back to it.</translation>
    </message>
    <message>
        <source>Маршрут %1 не замыкается.</source>
        <translation>Route %1 does not close.</translation>
    </message>
    <message>
        <source>Ошибка с рельсами! Неисправных рельсов: %1 (выделены). В центре вида рельс %2: %3</source>
        <translation>Rail error! Faulty rails: %1 (selected). In the middle of the view, rail %2: %3</translation>
    </message>
</context>
<context>
    <name>RouteReport</name>
    <message>
        <source>Итого</source>
        <translation>Total</translation>
    </message>
</context>
<context>
    <name>RouteTable</name>
    <message>
        <source>№</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Остановок</source>
        <translation>Stops</translation>
    </message>
    <message>
        <source>Длина (м)</source>
        <translation>Length (m)</translation>
    </message>
    <message>
        <source>Ср. перегон</source>
        <translation>Spacing (m)</translation>
    </message>
    <message>
        <source>Время(мин)</source>
        <translation>Time (min)</translation>
    </message>
    <message>
        <source>Ср. скорость</source>
        <translation>Avg. speed</translation>
    </message>
    <message>
        <source>Интервал (мин)</source>
        <translation>Interval (min)</translation>
    </message>
    <message>
        <source>Вагонов</source>
        <translation>Cars</translation>
    </message>
    <message>
        <source>маршрут не замыкается</source>
        <translation>route does not close</translation>
    </message>
    <message>
        <source>неверное число вагонов</source>
        <translation>wrong number of cars</translation>
    </message>
    <message>
        <source>неверный интервал</source>
        <translation>wrong interval</translation>
    </message>
</context>
<context>
    <name>Scheme</name>
    <message>
        <source>Ошибка при сохранении схемы!</source>
        <translation>Could not save the line scheme!</translation>
    </message>
</context>
<context>
    <name>Score</name>
    <message>
        <source>Отправление раньше расписания</source>
        <translation>Departed ahead of the timetable</translation>
    </message>
    <message>
        <source>Отправление с опозданием</source>
        <translation>Departed late</translation>
    </message>
    <message>
        <source>Остановка не у конца платформы</source>
        <translation>Stopped short of the platform&apos;s end</translation>
    </message>
    <message>
        <source>Двери открыты на ходу</source>
        <translation>Doors opened while moving</translation>
    </message>
    <message>
        <source>Двери открыты вне остановки</source>
        <translation>Doors opened away from a stop</translation>
    </message>
    <message>
        <source>Отправление с открытыми дверями</source>
        <translation>Moved off with the doors open</translation>
    </message>
    <message>
        <source>Отправление до конца посадки</source>
        <translation>Moved off before boarding ended</translation>
    </message>
    <message>
        <source>Остановка пропущена</source>
        <translation>Stop passed</translation>
    </message>
    <message>
        <source>Превышение скорости</source>
        <translation>Speeding</translation>
    </message>
    <message>
        <source>Резкий разгон или торможение</source>
        <translation>Harsh acceleration or braking</translation>
    </message>
    <message>
        <source>Экстренное торможение</source>
        <translation>Emergency braking</translation>
    </message>
    <message>
        <source>Перегон на автопилоте</source>
        <translation>Leg driven on the autopilot</translation>
    </message>
    <message>
        <source>Авария</source>
        <translation>Accident</translation>
    </message>
    <message>
        <source>Расписание</source>
        <translation>Timetable</translation>
    </message>
    <message>
        <source>Остановки</source>
        <translation>Stopping</translation>
    </message>
    <message>
        <source>Скорость</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>Плавность</source>
        <translation>Comfort</translation>
    </message>
</context>
<context>
    <name>Sound</name>
    <message>
        <source>Звука нет: %1</source>
        <translation>No sound: %1</translation>
    </message>
    <message>
        <source>нет звукового устройства</source>
        <translation>there is no sound device</translation>
    </message>
    <message>
        <source>звуковое устройство не открылось</source>
        <translation>the sound device did not open</translation>
    </message>
</context>
<context>
    <name>UserDialogs</name>
    <message>
        <source>карта с трамваями (*.vl)</source>
        <translation>tram maps (*.vl)</translation>
    </message>
    <message>
        <source>сохранённая игра (*.vls)</source>
        <translation>saved game (*.vls)</translation>
    </message>
    <message>
        <source>запись поездки (*.vlrec)</source>
        <translation>drive recording (*.vlrec)</translation>
    </message>
    <message>
        <source>Сохранить запись</source>
        <translation>Save recording</translation>
    </message>
    <message>
        <source>Повтор</source>
        <translation>Replay</translation>
    </message>
    <message>
        <source>выписка OpenStreetMap (*.osm.pbf *.pbf *.osm *.osm.gz *.osm.bz2 *.osm.xml*)</source>
        <translation>OpenStreetMap extract (*.osm.pbf *.pbf *.osm *.osm.gz *.osm.bz2 *.osm.xml*)</translation>
    </message>
    <message>
        <source>карта или выписка OpenStreetMap (*.vl *.osm.pbf *.pbf *.osm *.osm.gz *.osm.bz2 *.osm.xml*)</source>
        <translation>map or OpenStreetMap extract (*.vl *.osm.pbf *.pbf *.osm *.osm.gz *.osm.bz2 *.osm.xml*)</translation>
    </message>
</context>
<context>
    <name>VellSim</name>
    <message>
        <source>Маршрутов нет</source>
        <translation>No routes</translation>
    </message>
    <message>
        <source>Всего трамваев:</source>
        <translation>Trams in all:</translation>
    </message>
    <message>
        <source>Карта:</source>
        <translation>Map:</translation>
    </message>
    <message>
        <source>Зерно:</source>
        <translation>Seed:</translation>
    </message>
    <message>
        <source>минут:</source>
        <translation>minutes:</translation>
    </message>
    <message>
        <source>шагов мира:</source>
        <translation>world steps:</translation>
    </message>
    <message>
        <source>№</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>план</source>
        <translation>planned</translation>
    </message>
    <message>
        <source>выпущено</source>
        <translation>sent out</translation>
    </message>
    <message>
        <source>на линии</source>
        <translation>on line</translation>
    </message>
    <message>
        <source>остановок</source>
        <translation>stops</translation>
    </message>
    <message>
        <source>пропущено</source>
        <translation>missed</translation>
    </message>
    <message>
        <source>вошло</source>
        <translation>boarded</translation>
    </message>
    <message>
        <source>вышло</source>
        <translation>alighted</translation>
    </message>
    <message>
        <source>ср.откл.с</source>
        <translation>mean.dev.s</translation>
    </message>
    <message>
        <source>опозд.с</source>
        <translation>late.s</translation>
    </message>
    <message>
        <source>сошли</source>
        <translation>off.route</translation>
    </message>
    <message>
        <source>аварий</source>
        <translation>accidents</translation>
    </message>
    <message>
        <source>простой.мин</source>
        <translation>idle.min</translation>
    </message>
    <message>
        <source>Объектов:</source>
        <translation>Objects:</translation>
    </message>
    <message>
        <source>Маршруты:</source>
        <translation>Routes:</translation>
    </message>
    <message>
        <source>точки %1; вагонов %2; интервал %3 мин</source>
        <translation>points %1; cars %2; interval %3 min</translation>
    </message>
    <message>
        <source>(маршрут не задан)</source>
        <translation>(no route set)</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
    <message>
        <source>Ошибка с рельсами! Неисправных рельсов:</source>
        <translation>Rail error! Faulty rails:</translation>
    </message>
    <message>
        <source>рельс</source>
        <translation>rail</translation>
    </message>
    <message>
        <source>Ошибка с рельсами!
Проверьте карту в редакторе (VellSim check %1)</source>
        <translation>Rail error!
Check the map in the editor (VellSim check %1)</translation>
    </message>
    <message>
        <source>%1 кБ</source>
        <translation>%1 kB</translation>
    </message>
    <message>
        <source>%1 МБ</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>%1 ГБ</source>
        <translation>%1 GB</translation>
    </message>
    <message>
        <source>VellSim: след не записан поверх карты %1</source>
        <translation>VellSim: the trace is not written over the map %1</translation>
    </message>
    <message>
        <source>VellSim: след не поместится на диск: он займёт около %1, а в папке %2 свободно %3</source>
        <translation>VellSim: the trace would not fit on the disk: it would take about %1, and the folder %2 has %3 free</translation>
    </message>
    <message>
        <source>VellSim: не удалось записать след %1</source>
        <translation>VellSim: could not write the trace %1</translation>
    </message>
    <message>
        <source>VellSim: прогон прерван, след не записан</source>
        <translation>VellSim: the run was stopped; the trace is not written</translation>
    </message>
    <message>
        <source>Ошибка с рельсами! Проверьте карту в редакторе</source>
        <translation>Rail error! Check the map in the editor</translation>
    </message>
    <message>
        <source>схема не нарисована</source>
        <translation>the scheme is not drawn</translation>
    </message>
    <message>
        <source>VellSim: картинка не записана поверх карты %1</source>
        <translation>VellSim: the picture is not written over the map %1</translation>
    </message>
    <message>
        <source>VellSim: не удалось записать картинку %1</source>
        <translation>VellSim: could not write the picture %1</translation>
    </message>
    <message>
        <source>VellSim %1: маршрут %2 не задан</source>
        <translation>VellSim %1: route %2 is not set</translation>
    </message>
    <message>
        <source>Схема записана: %1</source>
        <translation>Scheme written: %1</translation>
    </message>
    <message>
        <source>VellSim plan: маршрут %1 не возвращается к первой точке</source>
        <translation>VellSim plan: route %1 does not return to its first point</translation>
    </message>
    <message>
        <source>План записан: %1</source>
        <translation>Plan written: %1</translation>
    </message>
    <message>
        <source>Обзор записан: %1</source>
        <translation>Overview written: %1</translation>
    </message>
    <message>
        <source>VellSim diagram: маршрут %1 не ходит</source>
        <translation>VellSim diagram: route %1 runs no trams</translation>
    </message>
    <message>
        <source>График записан: %1 (зерно %2)</source>
        <translation>Diagram written: %1 (seed %2)</translation>
    </message>
    <message>
        <source>VellSim: не удалось записать карту %1</source>
        <translation>VellSim: could not write the map %1</translation>
    </message>
    <message>
        <source>Карта записана: %1 (объектов было %2, стало %3)</source>
        <translation>Map written: %1 (objects before %2, now %3)</translation>
    </message>
    <message>
        <source>Карта заполнена (65535 объектов): часть двупуток не преобразована</source>
        <translation>The map is full (65535 objects): some double tracks are not converted</translation>
    </message>
    <message>
        <source>Карта записана: %1 (объектов: %2)</source>
        <translation>Map written: %1 (objects: %2)</translation>
    </message>
    <message>
        <source>Шагов мира в секунду: %1</source>
        <translation>World steps per second: %1</translation>
    </message>
    <message>
        <source>VellSim: не удалось открыть карту %1: %2</source>
        <translation>VellSim: could not open the map %1: %2</translation>
    </message>
    <message>
        <source>VellSim: карта %1 записалась бы поверх выписки</source>
        <translation>VellSim: the map %1 would be written over the extract</translation>
    </message>
    <message>
        <source>VellSim: звук не записан поверх карты %1</source>
        <translation>VellSim: the sound was not written over the map %1</translation>
    </message>
    <message>
        <source>VellSim drive: маршрут %1 не ходит</source>
        <translation>VellSim drive: route %1 runs no trams</translation>
    </message>
    <message>
        <source>VellSim: не удалось записать звук %1</source>
        <translation>VellSim: could not write the sound %1</translation>
    </message>
    <message>
        <source>Звук записан: %1 (зерно %2)</source>
        <translation>Sound written: %1 (seed %2)</translation>
    </message>
    <message>
        <source>причина не записана</source>
        <translation>cause not recorded</translation>
    </message>
    <message>
        <source>Запись:</source>
        <translation>Recording:</translation>
    </message>
    <message>
        <source>Шаги мира: с %1 по %2, всего %3</source>
        <translation>World steps: from %1 to %2, %3 in all</translation>
    </message>
    <message>
        <source>Трамвая игрока нет</source>
        <translation>No player&apos;s tram</translation>
    </message>
    <message>
        <source>Трамвай игрока: маршрут %1, поезд %2</source>
        <translation>Player&apos;s tram: route %1, train %2</translation>
    </message>
    <message>
        <source>Место: %1, %2; скорость %3 км/ч</source>
        <translation>Position: %1, %2; speed %3 km/h</translation>
    </message>
    <message>
        <source>Пассажиров: %1</source>
        <translation>Passengers: %1</translation>
    </message>
    <message>
        <source>Отклонение от расписания: %1 с, наибольшее опоздание: %2 с</source>
        <translation>Deviation from the timetable: %1 s, largest delay: %2 s</translation>
    </message>
    <message>
        <source>Авария: %1</source>
        <translation>Accident: %1</translation>
    </message>
    <message>
        <source>Аварии нет</source>
        <translation>No accident</translation>
    </message>
    <message>
        <source>Отпечаток мира:</source>
        <translation>World digest:</translation>
    </message>
    <message>
        <source>Запись: шаг %1 из %2 (%3%)</source>
        <translation>Recording: step %1 of %2 (%3%)</translation>
    </message>
    <message>
        <source>не окончена</source>
        <translation>not ended</translation>
    </message>
    <message>
        <source>выполнена</source>
        <translation>done</translation>
    </message>
    <message>
        <source>прервана водителем</source>
        <translation>ended by the driver</translation>
    </message>
    <message>
        <source>авария</source>
        <translation>accident</translation>
    </message>
    <message>
        <source>Смена: %1, маршрут %2, водитель: %3</source>
        <translation>Shift: %1, route %2, driver: %3</translation>
    </message>
    <message>
        <source>автопилот</source>
        <translation>autopilot</translation>
    </message>
    <message>
        <source>игрок</source>
        <translation>player</translation>
    </message>
    <message>
        <source>Окончание: %1, шаги мира с %2 по %3</source>
        <translation>End: %1, world steps %2 to %3</translation>
    </message>
    <message>
        <source>Остановок: %1 из %2</source>
        <translation>Stops: %1 of %2</translation>
    </message>
    <message>
        <source>Итог: %1 из 100, звёзд: %2</source>
        <translation>Total: %1 of 100, stars: %2</translation>
    </message>
    <message>
        <source>События: %1</source>
        <translation>Events: %1</translation>
    </message>
    <message>
        <source>к остановке %1</source>
        <translation>to stop %1</translation>
    </message>
    <message>
        <source>VellSim score: маршрут %1 не ходит</source>
        <translation>VellSim score: route %1 does not run</translation>
    </message>
    <message>
        <source>Зерно: %1</source>
        <translation>Seed: %1</translation>
    </message>
    <message>
        <source>В записи нет трамвая игрока: оценивать нечего.</source>
        <translation>The recording has no player&apos;s tram: there is nothing to score.</translation>
    </message>
</context>
<context>
    <name>WorldSave</name>
    <message>
        <source>ошибка ввода-вывода</source>
        <translation>input/output error</translation>
    </message>
    <message>
        <source>Не удалось прочитать карту %1: %2</source>
        <translation>Could not read the map %1: %2</translation>
    </message>
    <message>
        <source>Не удалось записать сохранение %1: %2</source>
        <translation>Could not write the save %1: %2</translation>
    </message>
    <message>
        <source>Это не файл сохранения мира.</source>
        <translation>This is not a world save file.</translation>
    </message>
    <message>
        <source>Файл сохранения обрывается раньше времени.</source>
        <translation>The save file ends too early.</translation>
    </message>
    <message>
        <source>Сохранение другой версии формата (%1): эта программа читает версию %2.</source>
        <translation>The save has another format version (%1): this program reads version %2.</translation>
    </message>
    <message>
        <source>Файл сохранения повреждён: контрольная сумма не сходится.</source>
        <translation>The save file is damaged: its checksum does not match.</translation>
    </message>
    <message>
        <source>Сохранение повреждено: %1.</source>
        <translation>The save is damaged: %1.</translation>
    </message>
    <message>
        <source>заголовок вне пределов</source>
        <translation>its header is out of range</translation>
    </message>
    <message>
        <source>Не удалось прочитать сохранение %1: %2</source>
        <translation>Could not read the save %1: %2</translation>
    </message>
    <message>
        <source>Нет карты сохранения: %1</source>
        <translation>The save&apos;s map is missing: %1</translation>
    </message>
    <message>
        <source>Карта %1 изменилась после сохранения.</source>
        <translation>The map %1 has changed since the save was written.</translation>
    </message>
    <message>
        <source>трамваев больше 1024</source>
        <translation>more than 1024 trams</translation>
    </message>
    <message>
        <source>данные не складываются в состояние мира</source>
        <translation>its data do not make up a world</translation>
    </message>
    <message>
        <source>счётчики маршрута %1 не сходятся с его трамваями</source>
        <translation>the counters of route %1 do not match its trams</translation>
    </message>
    <message>
        <source>число объектов или остановок не то, что на карте</source>
        <translation>the number of objects or stops differs from the map</translation>
    </message>
    <message>
        <source>счётчики занятости не сходятся с отметками трамваев</source>
        <translation>the occupancy counters do not match the trams&apos; marks</translation>
    </message>
    <message>
        <source>статистика прогона вне пределов</source>
        <translation>the run&apos;s figures are out of range</translation>
    </message>
    <message>
        <source>наблюдение за заторами вне пределов</source>
        <translation>the jam watch is out of range</translation>
    </message>
    <message>
        <source>неверный номер трамвая %1</source>
        <translation>wrong tram number %1</translation>
    </message>
    <message>
        <source>трамвай %1 на маршруте, который на этой карте не ходит</source>
        <translation>tram %1 is on a route that does not run on this map</translation>
    </message>
    <message>
        <source>трамвай %1 стоит не на рельсе своего маршрута</source>
        <translation>tram %1 does not stand on a rail of its route</translation>
    </message>
    <message>
        <source>состояние трамвая %1 вне пределов</source>
        <translation>the state of tram %1 is out of range</translation>
    </message>
    <message>
        <source>отметка трамвая %1 за пределами карты</source>
        <translation>a mark of tram %1 lies outside the map</translation>
    </message>
    <message>
        <source>это не обычный файл</source>
        <translation>it is not a regular file</translation>
    </message>
    <message>
        <source>Нет файла карты %1</source>
        <translation>No map file %1</translation>
    </message>
    <message>
        <source>Карта %1 не та, над которой записано сохранение: её байты другие.</source>
        <translation>The map %1 is not the one the save was written over: its bytes differ.</translation>
    </message>
    <message>
        <source>В сохранении нет трамвая игрока: в кабине нечего вести.</source>
        <translation>The save has no player&apos;s tram: there is nothing to drive in the cab.</translation>
    </message>
    <message>
        <source>смена вне пределов</source>
        <translation>shift out of range</translation>
    </message>
</context>
<context>
    <name>vell::TBestShiftsWindow</name>
    <message>
        <source>Лучшие смены</source>
        <translation>Best shifts</translation>
    </message>
    <message>
        <source>Место</source>
        <translation>Rank</translation>
    </message>
    <message>
        <source>Линия</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>Смена</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>Дата</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Итог</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>Звёзды</source>
        <translation>Stars</translation>
    </message>
    <message>
        <source>Очков за остановку, из %1</source>
        <translation>Points per stop, of %1</translation>
    </message>
    <message>
        <source>Очков за остановку, из 100</source>
        <translation>Points per stop, of 100</translation>
    </message>
    <message>
        <source>На этой карте ещё нет лучших смен. Лучшей становится смена в круги или в минуты, проеханная до конца без автопилота.</source>
        <translation>This map has no best shifts yet. A circuits or minutes shift driven to its end without the autopilot becomes one.</translation>
    </message>
    <message>
        <source>Смотреть (&amp;W)</source>
        <translation>&amp;Watch</translation>
    </message>
    <message>
        <source>Запись выбранной смены в кабине</source>
        <translation>The chosen shift&apos;s recording, in the cab</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Звёзд: %1 из %2</source>
        <translation>Stars: %1 of %2</translation>
    </message>
</context>
<context>
    <name>vell::TDiagramWindow</name>
    <message>
        <source>График движения, маршрут %1</source>
        <translation>Time-distance diagram, route %1</translation>
    </message>
</context>
<context>
    <name>vell::TEvaluationWindow</name>
    <message>
        <source>,</source>
        <extracomment>The decimal separator of the evaluation&apos;s figures.</extracomment>
        <translation>.</translation>
    </message>
    <message>
        <source>выполнена</source>
        <translation>done</translation>
    </message>
    <message>
        <source>завершена до срока</source>
        <translation>ended early</translation>
    </message>
    <message>
        <source>авария</source>
        <translation>crash</translation>
    </message>
    <message>
        <source>идёт</source>
        <translation>running</translation>
    </message>
    <message>
        <source>%1, %2 м</source>
        <translation>%1, %2 m</translation>
    </message>
    <message>
        <source>к остановке %1 (%2)</source>
        <translation>to stop %1 (%2)</translation>
    </message>
    <message>
        <source>Оценка %1 · остановки: %2</source>
        <translation>Score %1 · stops: %2</translation>
    </message>
    <message>
        <source>Оценка %1 · остановки: %2 из %3</source>
        <translation>Score %1 · stops: %2 of %3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Оценка смены</source>
        <translation>Shift evaluation</translation>
    </message>
    <message>
        <source>Сохранить запись</source>
        <translation>Save recording</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Баллы смены из 100</source>
        <translation>The shift&apos;s points out of 100</translation>
    </message>
    <message>
        <source>из 100</source>
        <translation>of 100</translation>
    </message>
    <message>
        <source>Звёзды: 4 от 90 баллов, 3 от 75, 2 от 60, 1 от 40</source>
        <translation>Stars: 4 from 90 points, 3 from 75, 2 from 60, 1 from 40</translation>
    </message>
    <message>
        <source>Маршрут %1</source>
        <translation>Route %1</translation>
    </message>
    <message>
        <source>Смена: %1</source>
        <translation>Shift: %1</translation>
    </message>
    <message>
        <source>Итог: %1, время %2</source>
        <translation>Result: %1, time %2</translation>
    </message>
    <message>
        <source>Остановки: %1</source>
        <translation>Stops: %1</translation>
    </message>
    <message>
        <source>Остановки: %1 из %2</source>
        <translation>Stops: %1 of %2</translation>
    </message>
    <message>
        <source>Авария: баллы смены уменьшены вдвое, звёзд нет.</source>
        <translation>Crash: the shift&apos;s points are halved, and no stars.</translation>
    </message>
    <message>
        <source>Перегоны, где вёл автопилот, баллов не принесли.</source>
        <translation>Legs driven by the autopilot earned no points.</translation>
    </message>
    <message>
        <source>%1 из %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>Нарушений нет.</source>
        <translation>No faults.</translation>
    </message>
    <message>
        <source>События: %1</source>
        <translation>Events: %1</translation>
    </message>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Место</source>
        <translation>Place</translation>
    </message>
    <message>
        <source>Нарушение</source>
        <translation>Fault</translation>
    </message>
    <message>
        <source>Баллы</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>Повтор</source>
        <translation>Replay</translation>
    </message>
    <message>
        <source>Запись поездки начинается позже этого события</source>
        <translation>The drive recording starts after this event</translation>
    </message>
    <message>
        <source>Запись с 10 с до события</source>
        <translation>The recording from 10 s before the event</translation>
    </message>
    <message>
        <source>Смена продолжена из сохранённой игры: события до продолжения не повторить.</source>
        <translation>The shift was continued from a saved game: events before that cannot be replayed.</translation>
    </message>
</context>
<context>
    <name>vell::TImportDialog</name>
    <message>
        <source>Импорт из OpenStreetMap: %1</source>
        <translation>Import from OpenStreetMap: %1</translation>
    </message>
    <message>
        <source>Маршрут</source>
        <translation>Route</translation>
    </message>
    <message>
        <source>Место</source>
        <translation>Slot</translation>
    </message>
    <message>
        <source>Путь, км</source>
        <translation>Track, km</translation>
    </message>
    <message>
        <source>Остановки</source>
        <translation>Stops</translation>
    </message>
    <message>
        <source>Здания и деревья</source>
        <translation>Buildings and trees</translation>
    </message>
    <message>
        <source> мин</source>
        <translation> min</translation>
    </message>
    <message>
        <source>Для маршрутов, отношение которых не задаёт интервала.</source>
        <translation>For routes whose relation gives no interval.</translation>
    </message>
    <message>
        <source>Вагонов в поезде (1-3):</source>
        <translation>Cars per train (1-3):</translation>
    </message>
    <message>
        <source>Интервал (5-30):</source>
        <translation>Interval (5-30):</translation>
    </message>
    <message>
        <source>Импорт</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Центр квадрата: %1, %2; путей в нём %3 км</source>
        <translation>Centre of the square: %1, %2; %3 km of track in it</translation>
    </message>
    <message>
        <source>%1 (ref в OpenStreetMap: %2)</source>
        <translation>%1 (OpenStreetMap ref: %2)</translation>
    </message>
</context>
<context>
    <name>vell::TImportProgressDialog</name>
    <message>
        <source>Импорт из OpenStreetMap</source>
        <translation>Import from OpenStreetMap</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Чтение трамвайной сети...</source>
        <translation>Reading the tram network...</translation>
    </message>
    <message>
        <source>Укладка путей и маршрутов...</source>
        <translation>Laying the track and the routes...</translation>
    </message>
    <message>
        <source>Чтение зданий и деревьев...</source>
        <translation>Reading the buildings and trees...</translation>
    </message>
    <message>
        <source>Постройка города...</source>
        <translation>Building the city...</translation>
    </message>
</context>
<context>
    <name>vell::TNetworkPicture</name>
    <message>
        <source>Трамвайная сеть выписки. Рамка — квадрат 10 км, который станет картой: перетащите её мышью.</source>
        <translation>The tram network of the extract. The frame is the 10 km square that becomes the map: drag it with the mouse.</translation>
    </message>
</context>
<context>
    <name>vell::TRouteMap</name>
    <message>
        <source>Карта</source>
        <translation>Map</translation>
    </message>
    <message>
        <source>Схема записана в файл %1</source>
        <translation>The scheme was written to %1</translation>
    </message>
    <message>
        <source>Сеть увеличена: x%1; в файле вся карта</source>
        <translation>The network is enlarged: x%1; the file holds the whole map</translation>
    </message>
</context>
<context>
    <name>vell::TSelectRoute</name>
    <message>
        <source>Трамвай</source>
        <translation>Tram</translation>
    </message>
    <message>
        <source>Составление карты путей...</source>
        <translation>Building the track map...</translation>
    </message>
    <message>
        <source>Прокладка маршрутов...</source>
        <translation>Laying the routes...</translation>
    </message>
    <message>
        <source>Ошибка с рельсами!<byte value="xd"/>
Проверьте карту в редакторе</source>
        <translation>Rail error!<byte value="xd"/>
Check the map in the editor</translation>
    </message>
    <message>
        <source>Ожидание появления вагона на маршруте...</source>
        <translation>Waiting for a tram to enter the route...</translation>
    </message>
    <message>
        <source>Движение не запущено.</source>
        <translation>The trams are not running.</translation>
    </message>
    <message>
        <source>Сначала выберите карту без ошибок с рельсами.</source>
        <translation>First open a map without rail errors.</translation>
    </message>
    <message>
        <source>Выберите маршрут в таблице.</source>
        <translation>Choose a route in the table.</translation>
    </message>
    <message>
        <source>Не все маршруты выпускают вагоны: на линии %1 из %2.
Проверьте карту в редакторе.</source>
        <translation>Not every route sends out its trams: %1 of %2 on the line.
Check the map in the editor.</translation>
    </message>
    <message>
        <source>Маршрут %1 не выпускает вагоны.
Проверьте его в редакторе.</source>
        <translation>Route %1 sends out no trams.
Check it in the editor.</translation>
    </message>
    <message>
        <source>На линии не может быть больше %1 вагонов: вышло %2 из %3.
Снимите «Прогонять перед стартом».</source>
        <translation>There can be no more than %1 trams on the line: %2 of %3 are out.
Untick “Run ahead before start”.</translation>
    </message>
    <message>
        <source>Вагоны маршрута %1 не помещаются: на линии уже %2 вагона.</source>
        <translation>The trams of route %1 do not fit: there are already %2 trams on the line.</translation>
    </message>
    <message>
        <source>Вагон маршрута %1 не может выйти на линию: путь занят.</source>
        <translation>A tram of route %1 cannot enter the line: the track is taken.</translation>
    </message>
    <message>
        <source>Выбрать карту... (&amp;O)</source>
        <translation>&amp;Open map...</translation>
    </message>
    <message>
        <source>Сохранить схему линий (&amp;S)</source>
        <translation>&amp;Save line scheme</translation>
    </message>
    <message>
        <source>Прогонять перед стартом</source>
        <translation>Run ahead before start</translation>
    </message>
    <message>
        <source>Вид сверху (&amp;V)</source>
        <translation>Top &amp;view</translation>
    </message>
    <message>
        <source>Начать игру (&amp;G)</source>
        <translation>Start &amp;game</translation>
    </message>
    <message>
        <source>Выход (&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>Схема линий строится по маршрутам карты.
Сначала выберите карту кнопкой «Выбрать карту...».</source>
        <translation>The line scheme is drawn from the routes of a map.
Open a map first with “Open map...”.</translation>
    </message>
    <message>
        <source>Схема линий не построена: в карте ошибка с рельсами.
Проверьте карту в редакторе.</source>
        <translation>No line scheme: the map has a rail error.
Check the map in the editor.</translation>
    </message>
    <message>
        <source>Файл %1 уже есть.
Заменить его схемой линий?</source>
        <translation>The file %1 already exists.
Replace it with the line scheme?</translation>
    </message>
    <message>
        <source>Импорт из OpenStreetMap... %1 %</source>
        <translation>Importing from OpenStreetMap... %1 %</translation>
    </message>
    <message>
        <source>Ошибка при импорте из OpenStreetMap!</source>
        <translation>Error importing from OpenStreetMap!</translation>
    </message>
    <message>
        <source>Карта записалась бы поверх выписки %1.</source>
        <translation>The map would overwrite the extract %1.</translation>
    </message>
    <message>
        <source>Продолжить игру...</source>
        <translation>Continue game...</translation>
    </message>
    <message>
        <source>Смотреть запись...</source>
        <translation>Watch recording...</translation>
    </message>
    <message>
        <source>Карта %1 не найдена или изменилась. Выбрать её?</source>
        <translation>The map %1 was not found or has changed. Choose it?</translation>
    </message>
    <message>
        <source>Карта из OpenStreetMap записана: %1</source>
        <translation>Map from OpenStreetMap written: %1</translation>
    </message>
    <message>
        <source>Линия</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>Смена:</source>
        <translation>Shift:</translation>
    </message>
    <message>
        <source>Сколько вести вагон в «Начать игру»: без конца, несколько кругов линии или минут. Законченная смена оценивается, лучшие смены линии хранятся с записью.</source>
        <translation>How long to drive in “Start game”: open, a number of circuits of the line, or minutes. A finished shift is evaluated; the best shifts of each line are kept with their recordings.</translation>
    </message>
    <message>
        <source>Лучшие смены...</source>
        <translation>Best shifts...</translation>
    </message>
    <message>
        <source>Лучшая смена не сохранена: нет записи поездки.</source>
        <translation>The best shift was not kept: there is no recording of the drive.</translation>
    </message>
    <message>
        <source>Лучшие смены не показаны: карта %1 не читается: %2</source>
        <translation>Best shifts not shown: the map %1 cannot be read: %2</translation>
    </message>
</context>
<context>
    <name>vell::TSoundPanel</name>
    <message>
        <source>Звук</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>Громкость</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Звука нет: нет звукового устройства</source>
        <translation>No sound: there is no sound device</translation>
    </message>
</context>
<context>
    <name>vell::TVellEdit</name>
    <message>
        <source>Редактор карт</source>
        <translation>Map editor</translation>
    </message>
    <message>
        <source>Бордёр (&amp;1)</source>
        <translation>Border (&amp;1)</translation>
    </message>
    <message>
        <source>Стена (&amp;2)</source>
        <translation>Wall (&amp;2)</translation>
    </message>
    <message>
        <source>Выс. стена (&amp;3)</source>
        <translation>High wall (&amp;3)</translation>
    </message>
    <message>
        <source>Арка (&amp;4)</source>
        <translation>Arch (&amp;4)</translation>
    </message>
    <message>
        <source>Рельс (&amp;5)</source>
        <translation>Rail (&amp;5)</translation>
    </message>
    <message>
        <source>Деревья (&amp;6)</source>
        <translation>Trees (&amp;6)</translation>
    </message>
    <message>
        <source>Двупутка (&amp;7)</source>
        <translation>Dbl. track (&amp;7)</translation>
    </message>
    <message>
        <source>и столбы (&amp;8)</source>
        <translation>and poles (&amp;8)</translation>
    </message>
    <message>
        <source>и полоса (&amp;9)</source>
        <translation>and lane (&amp;9)</translation>
    </message>
    <message>
        <source>и зелень (&amp;0)</source>
        <translation>and green (&amp;0)</translation>
    </message>
    <message>
        <source>Снять выд. (&amp;S)</source>
        <translation>De&amp;select</translation>
    </message>
    <message>
        <source>Удалить выд. (&amp;D)</source>
        <translation>&amp;Delete sel.</translation>
    </message>
    <message>
        <source>Преобразовать выделенное (&amp;E)</source>
        <translation>Con&amp;vert selection</translation>
    </message>
    <message>
        <source>Запомн. цвет (&amp;Z)</source>
        <translation>Take color (&amp;Z)</translation>
    </message>
    <message>
        <source>Примен. цвет (&amp;X)</source>
        <translation>Apply color (&amp;X)</translation>
    </message>
    <message>
        <source>Пров. пути (&amp;P)</source>
        <translation>Check &amp;paths</translation>
    </message>
    <message>
        <source>Пр. 2-путки (&amp;W)</source>
        <translation>Lay tracks (&amp;W)</translation>
    </message>
    <message>
        <source>Показать соседей (&amp;N)</source>
        <translation>Show &amp;neighbours</translation>
    </message>
    <message>
        <source>Доб. к м-ту (&amp;A)</source>
        <translation>&amp;Add to route</translation>
    </message>
    <message>
        <source>Очистить м-т (&amp;Q)</source>
        <translation>Clear route (&amp;Q)</translation>
    </message>
    <message>
        <source>Проверить маршрут (&amp;O)</source>
        <translation>Check r&amp;oute</translation>
    </message>
    <message>
        <source>Номер маршрута:</source>
        <translation>Route number:</translation>
    </message>
    <message>
        <source>Кол-во вагонов в поезде (1-3):</source>
        <translation>Cars per train (1-3):</translation>
    </message>
    <message>
        <source>Интервал (5-30):</source>
        <translation>Interval (5-30):</translation>
    </message>
    <message>
        <source>Маршрут не задан</source>
        <translation>No route set</translation>
    </message>
    <message>
        <source>Карта (&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Новая (&amp;N)</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>Сохранить (&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>Открыть (&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>Сохранить как (A)</source>
        <translation>Save as (A)</translation>
    </message>
    <message>
        <source>Выход (&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>Правка (&amp;U)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>Отменить</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>Повторить</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>Цвет (&amp;C)</source>
        <translation>&amp;Color</translation>
    </message>
    <message>
        <source>Шаг &apos;%1&apos; нельзя отменить: его данные повреждены. Карта осталась как есть.</source>
        <translation>The step &apos;%1&apos; cannot be undone: its data is damaged. The map was left as it is.</translation>
    </message>
    <message>
        <source>Шаг &apos;%1&apos; нельзя повторить: его данные повреждены. Карта осталась как есть.</source>
        <translation>The step &apos;%1&apos; cannot be redone: its data is damaged. The map was left as it is.</translation>
    </message>
    <message>
        <source>Снять выделение со всех объектов.</source>
        <translation>Clear the selection of every object.</translation>
    </message>
    <message>
        <source>Удалить выделенные объекты; удалённые рельсы уходят и из маршрутов.</source>
        <translation>Delete the selected objects; deleted rails leave their routes too.</translation>
    </message>
    <message>
        <source>Сменить вид выделенного: стены идут по кругу бордёр, стена, высокая стена, арка; рельсы: остановка 20 с, остановка 50 с, стоять нельзя, обычный; двупутки: следующий вид.</source>
        <translation>Change the kind of the selection: walls go round border, wall, high wall, arch; rails: stop of 20 s, stop of 50 s, no standing, plain; double tracks: the next kind.</translation>
    </message>
    <message>
        <source>Сделать текущим средний цвет выделенных стен и рельсов (цвет рельса - его скорость).</source>
        <translation>Make the average color of the selected walls and rails the current color (a rail&apos;s color is its speed).</translation>
    </message>
    <message>
        <source>Покрасить выделенные стены текущим цветом; выделенным рельсам дать скорость по нему.</source>
        <translation>Paint the selected walls in the current color; give the selected rails the speed it stands for.</translation>
    </message>
    <message>
        <source>Проверить рельсовую сеть: неисправные рельсы выделяются, вид переходит к одному из них, а строка состояния говорит, какое правило он нарушает.</source>
        <translation>Check the rail network: faulty rails are selected, the view moves to one of them and the status line says which rule it breaks.</translation>
    </message>
    <message>
        <source>Превратить все двупутки карты в пары рельсов с правосторонним движением, со столбами, арками, бордёрами и деревьями по их виду.</source>
        <translation>Turn every double track of the map into a pair of rails with right-hand traffic, with poles, arches, borders and trees by its kind.</translation>
    </message>
    <message>
        <source>Выделить рельсы, которые проходят ближе 4 м от первого выделенного рельса.</source>
        <translation>Select the rails that pass within 4 m of the first selected rail.</translation>
    </message>
    <message>
        <source>Добавить первый выделенный рельс следующей точкой выбранного маршрута.</source>
        <translation>Add the first selected rail as the next point of the chosen route.</translation>
    </message>
    <message>
        <source>Удалить все точки выбранного маршрута.</source>
        <translation>Remove every point of the chosen route.</translation>
    </message>
    <message>
        <source>Проложить выбранный маршрут и выделить его рельсы; строка состояния говорит, замыкается ли он, а если нет, то почему.</source>
        <translation>Lay the chosen route and select its rails; the status line says whether it closes and, if not, why.</translation>
    </message>
    <message>
        <source>Сдвинуть вид на 100 м вверх.</source>
        <translation>Move the view 100 m up.</translation>
    </message>
    <message>
        <source>Сдвинуть вид на 100 м влево.</source>
        <translation>Move the view 100 m left.</translation>
    </message>
    <message>
        <source>Сдвинуть вид на 100 м вниз.</source>
        <translation>Move the view 100 m down.</translation>
    </message>
    <message>
        <source>Сдвинуть вид на 100 м вправо.</source>
        <translation>Move the view 100 m right.</translation>
    </message>
    <message>
        <source>Карта сохранена: %1</source>
        <translation>Map saved: %1</translation>
    </message>
    <message>
        <source>Импорт из OpenStreetMap... (&amp;I)</source>
        <translation>&amp;Import from OpenStreetMap...</translation>
    </message>
    <message>
        <source>Импорт отменён; карта не изменилась.</source>
        <translation>Import cancelled; the map is unchanged.</translation>
    </message>
    <message>
        <source>, линия %1</source>
        <translation>, line %1</translation>
    </message>
</context>
<context>
    <name>vell::TVellView</name>
    <message>
        <source>Трамвай. Вид сверху.</source>
        <translation>Tram. Top view.</translation>
    </message>
    <message>
        <source>Пассажиров на остановке:</source>
        <translation>Passengers at the stop:</translation>
    </message>
    <message>
        <source>Сильно обогнал расписание</source>
        <translation>Well ahead of schedule</translation>
    </message>
    <message>
        <source>Обогнал расписание</source>
        <translation>Ahead of schedule</translation>
    </message>
    <message>
        <source>Едет по расписанию</source>
        <translation>On schedule</translation>
    </message>
    <message>
        <source>Отстал от расписания</source>
        <translation>Behind schedule</translation>
    </message>
    <message>
        <source>Сильно отстал от расписания</source>
        <translation>Well behind schedule</translation>
    </message>
    <message>
        <source>(на %1)</source>
        <translation>(by %1)</translation>
    </message>
    <message>
        <source>(разница -</source>
        <translation>(difference -</translation>
    </message>
    <message>
        <source>(разница </source>
        <translation>(difference </translation>
    </message>
    <message>
        <source>Информация:</source>
        <translation>Information:</translation>
    </message>
    <message>
        <source>Номер поезда:</source>
        <translation>Train number:</translation>
    </message>
    <message>
        <source>Номер маршрута</source>
        <translation>Route number</translation>
    </message>
    <message>
        <source>Максимальное отставание:</source>
        <translation>Greatest delay:</translation>
    </message>
    <message>
        <source>Скорость:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>Ускорение:</source>
        <translation>Acceleration:</translation>
    </message>
    <message>
        <source>Положение ручки:</source>
        <translation>Controller position:</translation>
    </message>
    <message>
        <source>Двери закрыты</source>
        <translation>Doors closed</translation>
    </message>
    <message>
        <source>Вагонов:</source>
        <translation>Cars:</translation>
    </message>
    <message>
        <source>Пассажиров:</source>
        <translation>Passengers:</translation>
    </message>
    <message>
        <source>Показать</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>Скорость просмотра:</source>
        <translation>Viewing speed:</translation>
    </message>
    <message>
        <source> км/ч</source>
        <translation> km/h</translation>
    </message>
    <message>
        <source> м/с2</source>
        <translation> m/s2</translation>
    </message>
    <message>
        <source>Двери открыты</source>
        <translation>Doors open</translation>
    </message>
    <message>
        <source>Показать занятые пути</source>
        <translation>Show occupied track</translation>
    </message>
    <message>
        <source>График движения</source>
        <translation>Time-distance diagram</translation>
    </message>
    <message>
        <source>Для графика движения выберите поезд и дайте ему поехать</source>
        <translation>For a time-distance diagram, pick a tram and let it run</translation>
    </message>
    <message>
        <source>Останавливает движение всех трамваев или пускает его снова</source>
        <translation>Stops every tram, or lets them run again</translation>
    </message>
    <message>
        <source>Продолжить (Пробел)</source>
        <translation>Resume (Space)</translation>
    </message>
    <message>
        <source>Пауза (Пробел)</source>
        <translation>Pause (Space)</translation>
    </message>
    <message>
        <source>Повтор: последняя минута перед аварией</source>
        <translation>Replay: the last minute before the crash</translation>
    </message>
    <message>
        <source>Трамваи по маршрутам</source>
        <translation>Trams by route</translation>
    </message>
    <message>
        <source>маршрут: на линии (по плану)</source>
        <translation>route: on the line (planned)</translation>
    </message>
    <message>
        <source>Стоящие трамваи и взаимные блокировки</source>
        <translation>Standing trams and deadlocks</translation>
    </message>
    <message>
        <source>%1, линия %2</source>
        <translation>%1, line %2</translation>
    </message>
</context>
<context>
    <name>vell::TView3D</name>
    <message>
        <source>Вид из кабины. Пробел - вызов меню.</source>
        <translation>Cab view. Space opens the menu.</translation>
    </message>
    <message>
        <source>Авария!</source>
        <translation>Crash!</translation>
    </message>
    <message>
        <source>Видимость для стен (100 - 2000 м):</source>
        <translation>Visibility of walls (100 - 2000 m):</translation>
    </message>
    <message>
        <source>Разрешение:</source>
        <translation>Resolution:</translation>
    </message>
    <message>
        <source>Принять</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Полный экран (&amp;F)</source>
        <translation>&amp;Full screen</translation>
    </message>
    <message>
        <source>Автопилот (&amp;A)</source>
        <translation>&amp;Autopilot</translation>
    </message>
    <message>
        <source>Показывать задержку (&amp;D)</source>
        <translation>Show &amp;delay</translation>
    </message>
    <message>
        <source>Скорость игры:</source>
        <translation>Game speed:</translation>
    </message>
    <message>
        <source>Настройки графики...</source>
        <translation>Graphics settings...</translation>
    </message>
    <message>
        <source>Назад (&amp;B)</source>
        <translation>&amp;Back</translation>
    </message>
    <message>
        <source>Выход (&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>%1 м</source>
        <translation>%1 m</translation>
    </message>
    <message>
        <source>Настройки графики</source>
        <translation>Graphics settings</translation>
    </message>
    <message>
        <source>Как вести трамвай</source>
        <translation>How to drive the tram</translation>
    </message>
    <message>
        <source>Трамвай начинает на автопилоте: чтобы вести самому, выключите его в меню.</source>
        <translation>The tram starts on the autopilot: to drive it yourself, switch the autopilot off in the menu.</translation>
    </message>
    <message>
        <source>Мышь — джойстик: вверх — ход, вниз — тормоз, в стороны — взгляд.</source>
        <translation>The mouse is the joystick: up is power, down is the brake, sideways turns the view.</translation>
    </message>
    <message>
        <source>Жёлтый кружок — нейтраль джойстика: на его высоте трамвай катится без тока.</source>
        <translation>The yellow ring is the joystick&apos;s neutral point: with the pointer at its height the tram coasts without current.</translation>
    </message>
    <message>
        <source>Левая кнопка мыши открывает двери, правая закрывает.</source>
        <translation>The left mouse button opens the doors, the right one closes them.</translation>
    </message>
    <message>
        <source>Приборы</source>
        <translation>Gauges</translation>
    </message>
    <message>
        <source>Слева — контроллер: стрелка вверх — ход, вниз — тормоз.</source>
        <translation>On the left, the controller: its needle up is power, down is the brake.</translation>
    </message>
    <message>
        <source>У этого трамвая спидометр сломан: стрелка всегда на нуле.</source>
        <translation>This tram&apos;s speedometer is broken: its needle always stays at zero.</translation>
    </message>
    <message>
        <source>Рамка справа: зелёная — правила соблюдены и трамвай на маршруте, красная — нет; полоса в ней — заполнение салона, над ней — двери.</source>
        <translation>The frame on the right is green while the rules are kept and the tram is on its route, red otherwise; the bar in it is the load, above it are the doors.</translation>
    </message>
    <message>
        <source>Часы внизу слева — отклонение от расписания в минутах и секундах: зелёные — раньше, красные — опоздание.</source>
        <translation>The clock at the bottom left is the deviation from the timetable in minutes and seconds: green early, red late.</translation>
    </message>
    <message>
        <source>Оранжевая стрелка — куда идёт маршрут на следующей стрелке: влево — проходите её под током, вправо — без тока.</source>
        <translation>The orange arrow shows where the route goes at the next switch: left, pass it drawing current; right, without current.</translation>
    </message>
    <message>
        <source>Щелчок или любая клавиша закрывает справку.</source>
        <translation>Click or press any key to close this help.</translation>
    </message>
    <message>
        <source>Сохранить игру</source>
        <translation>Save game</translation>
    </message>
    <message>
        <source>Звук...</source>
        <translation>Sound...</translation>
    </message>
    <message>
        <source>Пробел или Esc — меню, F1 — эта справка, B — звонок.</source>
        <translation>Space or Esc: the menu; F1: this help; B: the bell.</translation>
    </message>
    <message>
        <source>Пауза (&amp;P)</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>Взять управление (&amp;T)</source>
        <translation>&amp;Take over</translation>
    </message>
    <message>
        <source>Сохранить запись</source>
        <translation>Save recording</translation>
    </message>
    <message>
        <source>Запись %1 из %2, x%3</source>
        <translation>Recording %1 of %2, x%3</translation>
    </message>
    <message>
        <source>, конец записи</source>
        <translation>, end of recording</translation>
    </message>
    <message>
        <source>, пауза</source>
        <translation>, paused</translation>
    </message>
    <message>
        <source>Пробел - меню: скорость, пауза, взять управление</source>
        <translation>Space: the menu (speed, pause, take over)</translation>
    </message>
    <message>
        <source>Спидометр — скорость, км/ч; число под стрелкой — предел скорости на 50 м вперёд, красное — пора тормозить.</source>
        <translation>The speedometer shows the speed in km/h; the number below the needle is the speed limit for the next 50 m, red when it is time to brake.</translation>
    </message>
    <message>
        <source>Запись поездки заполнена и остановлена: в ней всё до этого места</source>
        <translation>The drive recording is full and has stopped: it holds everything up to here</translation>
    </message>
    <message>
        <source>Видимость для деревьев (100 - 2000 м):</source>
        <translation>Visibility of trees (100 - 2000 m):</translation>
    </message>
    <message>
        <source>Видимость для трамваев (100 - 2000 м):</source>
        <translation>Visibility of trams (100 - 2000 m):</translation>
    </message>
    <message>
        <source>Игра сохранена в файл %1</source>
        <translation>The game was saved to the file %1</translation>
    </message>
    <message>
        <source>Показывать оценку (&amp;E)</source>
        <translation>Show the &amp;evaluation</translation>
    </message>
    <message>
        <source>Пробел - меню: скорость, пауза; выход - назад к оценке</source>
        <translation>Space: the menu (speed, pause); quit goes back to the evaluation</translation>
    </message>
    <message>
        <source>Поездка не записывалась.</source>
        <translation>The drive was not recorded.</translation>
    </message>
    <message>
        <source>Вид:</source>
        <translation>Look:</translation>
    </message>
    <message>
        <source>По карте</source>
        <translation>By the map</translation>
    </message>
    <message>
        <source>Классический вид</source>
        <translation>Classic look</translation>
    </message>
    <message>
        <source>Подробный вид</source>
        <translation>Detailed look</translation>
    </message>
</context>
</TS>
