<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="zh_CN">
<context>
    <name>BusWindow</name>
    <message>
        <source>SND_NKE 扫描</source>
        <translation>SND_NKE scan</translation>
    </message>
    <message>
        <source>REQ_UD2 扫描</source>
        <translation>REQ_UD2 scan</translation>
    </message>
    <message>
        <source>二次地址搜索</source>
        <translation>Secondary search</translation>
    </message>
    <message>
        <source>冲突：多个仪表同时应答</source>
        <translation>Collision: several meters answered at once</translation>
    </message>
    <message>
        <source>（应答中没有二次地址）</source>
        <translation>(no secondary address in the reply)</translation>
    </message>
    <message>
        <source>冲突：二次地址完全相同的多个仪表</source>
        <translation>Collision: several meters with the same secondary address</translation>
    </message>
    <message>
        <source>扫描完成：</source>
        <translation>Scan complete: </translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>没有仪表应答。请检查接线、波特率和扫描范围。</source>
        <translation>no meter answered. Check the wiring, the baud rate and the scan range.</translation>
    </message>
    <message>
        <source>找到 %1 个仪表</source>
        <translation>%1 meter(s) found</translation>
    </message>
    <message>
        <source>，%1 处冲突（多个仪表同时应答）；请用二次地址搜索区分这些仪表</source>
        <translation>, %1 collision(s) (several meters answered at once); tell them apart with a secondary search</translation>
    </message>
    <message>
        <source>。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>已应答</source>
        <translation>acknowledged</translation>
    </message>
    <message>
        <source>冲突：多个仪表同时应答，请用二次地址选择一个仪表</source>
        <translation>collision: several meters answered at once; select one meter by its secondary address</translation>
    </message>
    <message>
        <source>仪表回送了数据帧，而不是确认 E5</source>
        <translation>the meter sent a data frame instead of the acknowledgement E5</translation>
    </message>
    <message>
        <source>无应答，请检查接线、波特率和地址后重试</source>
        <translation>no answer; check the wiring, the baud rate and the address, then try again</translation>
    </message>
    <message>
        <source>读全部电文：已读 %1 份电文，仪表还有更多电文未读</source>
        <translation>Read all telegrams: %1 telegram(s) read; the meter has more that were not read</translation>
    </message>
    <message>
        <source>读全部电文：已读 %1 份电文</source>
        <translation>Read all telegrams: %1 telegram(s) read</translation>
    </message>
    <message>
        <source>读全部电文：</source>
        <translation>Read all telegrams: </translation>
    </message>
    <message>
        <source>读全部电文：已读 %1 份电文后</source>
        <translation>Read all telegrams: after %1 telegram(s), </translation>
    </message>
    <message>
        <source>M-Bus 总线</source>
        <translation>M-Bus bus</translation>
    </message>
    <message>
        <source>主地址</source>
        <translation>Primary address</translation>
    </message>
    <message>
        <source>二次地址</source>
        <translation>Secondary address</translation>
    </message>
    <message>
        <source>厂商</source>
        <translation>Manufacturer</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>介质</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>查找方式</source>
        <translation>Found by</translation>
    </message>
    <message>
        <source>通信端口已关闭，操作中止</source>
        <translation>the port was closed; operation stopped</translation>
    </message>
    <message>
        <source>扫描</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>SND_NKE 主地址扫描</source>
        <translation>SND_NKE primary scan</translation>
    </message>
    <message>
        <source>REQ_UD2 主地址扫描</source>
        <translation>REQ_UD2 primary scan</translation>
    </message>
    <message>
        <source>16 位十六进制：识别号 8 位（F 为通配）、厂商 4 位、版本 2 位、介质 2 位（FF 为通配）</source>
        <translation>16 hex digits: identification number 8 (F is a wildcard), manufacturer 4, version 2, medium 2 (FF is a wildcard)</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>按波特率（EN 13757-2）</source>
        <translation>From the baud rate (EN 13757-2)</translation>
    </message>
    <message>
        <source>开始扫描</source>
        <translation>Start scan</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>方式</source>
        <translation>Method</translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation>From address</translation>
    </message>
    <message>
        <source>结束地址</source>
        <translation>To address</translation>
    </message>
    <message>
        <source>二次地址掩码</source>
        <translation>Secondary mask</translation>
    </message>
    <message>
        <source>应答超时</source>
        <translation>Reply time-out</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>所选仪表</source>
        <translation>Selected meter</translation>
    </message>
    <message>
        <source>读全部电文</source>
        <translation>Read all telegrams</translation>
    </message>
    <message>
        <source>修改主地址</source>
        <translation>Set primary address</translation>
    </message>
    <message>
        <source>应用复位</source>
        <translation>Application reset</translation>
    </message>
    <message>
        <source>新主地址</source>
        <translation>New primary address</translation>
    </message>
    <message>
        <source>窗口已关闭，操作中止</source>
        <translation>the window was closed; operation stopped</translation>
    </message>
    <message>
        <source>已探测 %1/%2 个地址，当前地址 %3</source>
        <translation>%1/%2 addresses probed, now address %3</translation>
    </message>
    <message>
        <source>已探测 %1 个掩码，当前掩码 %2</source>
        <translation>%1 masks probed, now mask %2</translation>
    </message>
    <message>
        <source>二次地址掩码须为 16 位十六进制数，前 8 位为数字 0-9 或通配符 F。</source>
        <translation>The secondary mask must be 16 hex digits; the first 8 are digits 0-9 or the wildcard F.</translation>
    </message>
    <message>
        <source>起始地址不能大于结束地址。</source>
        <translation>The first address cannot be above the last one.</translation>
    </message>
    <message>
        <source>正在扫描……</source>
        <translation>Scanning…</translation>
    </message>
    <message>
        <source>请先扫描，并在表中选择一个仪表。</source>
        <translation>Scan first, then choose a meter in the table.</translation>
    </message>
    <message>
        <source>这一行是冲突，不是单个仪表：请用二次地址搜索区分这些仪表后再选择。</source>
        <translation>This row is a collision, not one meter: tell the meters apart with a secondary search, then choose one.</translation>
    </message>
    <message>
        <source>正在读全部电文……</source>
        <translation>Reading all telegrams…</translation>
    </message>
    <message>
        <source>，主地址已改为 %1</source>
        <translation>, primary address now %1</translation>
    </message>
</context>
<context>
    <name>Cj188Decoder</name>
    <message>
        <source>实时时间</source>
        <translation>Meter clock</translation>
    </message>
    <message>
        <source>日期无效</source>
        <translation>invalid date</translation>
    </message>
    <message>
        <source>阀门状态</source>
        <translation>Valve</translation>
    </message>
    <message>
        <source>开</source>
        <translation>open</translation>
    </message>
    <message>
        <source>关</source>
        <translation>closed</translation>
    </message>
    <message>
        <source>保留</source>
        <translation>reserved</translation>
    </message>
    <message>
        <source>异常</source>
        <translation>abnormal</translation>
    </message>
    <message>
        <source>电池电压</source>
        <translation>Battery</translation>
    </message>
    <message>
        <source>欠压</source>
        <translation>low</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>normal</translation>
    </message>
    <message>
        <source>第%1位</source>
        <translation>bit %1</translation>
    </message>
    <message>
        <source>其他状态位</source>
        <translation>Other status bits</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>多余数据</source>
        <translation>Extra data</translation>
    </message>
    <message>
        <source>当前累积流量</source>
        <translation>Current cumulative volume</translation>
    </message>
    <message>
        <source>结算日累积流量</source>
        <translation>Cumulative volume on settlement date</translation>
    </message>
    <message>
        <source>结算日冷量</source>
        <translation>Cooling energy on settlement date</translation>
    </message>
    <message>
        <source>结算日热量</source>
        <translation>Heat energy on settlement date</translation>
    </message>
    <message>
        <source>当前冷量</source>
        <translation>Current cooling energy</translation>
    </message>
    <message>
        <source>当前热量</source>
        <translation>Current heat energy</translation>
    </message>
    <message>
        <source>热功率</source>
        <translation>Heat power</translation>
    </message>
    <message>
        <source>瞬时流量</source>
        <translation>Flow rate</translation>
    </message>
    <message>
        <source>累积流量</source>
        <translation>Cumulative volume</translation>
    </message>
    <message>
        <source>供水温度</source>
        <translation>Flow temperature</translation>
    </message>
    <message>
        <source>回水温度</source>
        <translation>Return temperature</translation>
    </message>
    <message>
        <source>累计工作时间</source>
        <translation>Operating time</translation>
    </message>
    <message>
        <source>仪表应答异常（C %1）</source>
        <translation>The meter reports an error (C %1)</translation>
    </message>
    <message>
        <source>表地址</source>
        <translation>Meter address</translation>
    </message>
    <message>
        <source>仪表类型 %1 没有已知的数据格式</source>
        <translation>Meter type %1 has no known data layout</translation>
    </message>
    <message>
        <source>不是读数据或读地址应答（C %1，DI %2）</source>
        <translation>Not a read-data or read-address reply (C %1, DI %2)</translation>
    </message>
    <message>
        <source>不是CJ/T 188报文</source>
        <translation>Not a CJ/T 188 frame</translation>
    </message>
    <message>
        <source>报文不完整：收到 %1 个数据字节，应为 %2 个</source>
        <translation>Incomplete frame: %1 data bytes received, %2 expected</translation>
    </message>
    <message>
        <source>校验和后没有结束符16</source>
        <translation>No end byte 16 after the checksum</translation>
    </message>
</context>
<context>
    <name>DecodedReply</name>
    <message>
        <source>是</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>no</translation>
    </message>
    <message>
        <source>无数据</source>
        <translation>no data</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>maximum</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>minimum</translation>
    </message>
    <message>
        <source>故障期间值</source>
        <translation>value during error</translation>
    </message>
    <message>
        <source>%1：%2，原始数据 %3</source>
        <translation>%1: %2, raw data %3</translation>
    </message>
    <message>
        <source>数据记录</source>
        <translation>Data record</translation>
    </message>
    <message>
        <source>无法解析</source>
        <translation>cannot be decoded</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>存储号 %1</source>
        <translation>storage %1</translation>
    </message>
    <message>
        <source>费率 %1</source>
        <translation>tariff %1</translation>
    </message>
    <message>
        <source>子单元 %1</source>
        <translation>subunit %1</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>应用错误：%1（代码 %2）</source>
        <translation>Application error: %1 (code %2)</translation>
    </message>
    <message>
        <source>无法解析：%1</source>
        <translation>Cannot decode: %1</translation>
    </message>
    <message>
        <source>后续报文还有数据</source>
        <translation>More data follows in the next telegram</translation>
    </message>
</context>
<context>
    <name>HelpText</name>
    <message>
        <source>COMn 即系统中的串口 COMn。</source>
        <translation>COMn is the system&apos;s serial port COMn.</translation>
    </message>
    <message>
        <source>COM1–COM4 = /dev/ttyS0–/dev/ttyS3
COM5–COM12 = /dev/ttyUSB0–/dev/ttyUSB7
COM13–COM20 = /dev/ttyACM0–/dev/ttyACM7
（鼠标停在端口列表的条目上可看到对应的设备。）

端口映射文件
其他设备（如 /dev/ttyUSB8、/dev/ttyAMA0）也可放在任一端口号上：在映射文件中每行写一个“COMn=设备”（n 为 1–20），例如：
COM5=/dev/serial/by-id/usb-FTDI_A10K1234-if00-port0
本用户：~/.config/MeterDesk/ports.ini
所有用户：/etc/xdg/MeterDesk/ports.ini
以 # 开头的行是注释。启动时和每次关闭串口后重新读取；有错误的行在终端上报告。
只用于本次运行：meterdesk --port COM5=/dev/ttyAMA0
查看各端口的设备和状态：meterdesk --list-ports

Linux 下串口不能设置 1.5 个停止位：选择“1.5”时打开串口会失败。</source>
        <translation>COM1–COM4 = /dev/ttyS0–/dev/ttyS3
COM5–COM12 = /dev/ttyUSB0–/dev/ttyUSB7
COM13–COM20 = /dev/ttyACM0–/dev/ttyACM7
(Rest the mouse on an entry of the port list to see its device.)

Port map file
Other devices (such as /dev/ttyUSB8, /dev/ttyAMA0) can be put on any port number too: write one &quot;COMn=device&quot; a line (n from 1 to 20) in the map file, for example:
COM5=/dev/serial/by-id/usb-FTDI_A10K1234-if00-port0
This user: ~/.config/MeterDesk/ports.ini
All users: /etc/xdg/MeterDesk/ports.ini
Lines starting with # are comments. The file is read at start and each time the port is closed; wrong lines are reported on the terminal.
For this run only: meterdesk --port COM5=/dev/ttyAMA0
The devices and states of the ports: meterdesk --list-ports

Linux serial ports cannot use 1.5 stop bits: with &quot;1.5&quot; chosen, opening the port fails.</translation>
    </message>
    <message>
        <source>选择端口
在“串口配置”中选择端口号、波特率、校验位、数据位和停止位，再点击“打开串口”，状态灯变绿即已打开。端口号后标有“ 占用”的端口正被其他程序使用。端口打开期间设置不能修改。

端口对应的设备
</source>
        <translation>Choosing a port
Under &quot;Serial port&quot; choose the port, baud rate, parity, data bits and stop bits, then click &quot;Open port&quot;: the port is open when the state lamp turns green. A port marked &quot; busy&quot; is in use by another program. The settings cannot be changed while the port is open.

Devices behind the ports
</translation>
    </message>
    <message>
        <source>

读表
CJ188仪表：输入仪表地址（最多 10 位数字）和厂商代码，选择仪表类型，点击“读表数据”。不知道地址时，只接一块表，点击“读表地址”。
EN1434仪表：输入一次地址（十六进制两位，FE 为单表通用地址），点击“读表数据”；在“新表地址”中输入新地址后点击“修改地址”。“修改地址”发往通用地址 FE，线上每一块表都会改成新地址：修改时线上只接一块表。
收到所读仪表的读表应答，且校验和与结束符正确时，“数据分析”区显示“校验通过！”和应答时间。应答时限内（从请求最后一个字节算起：CJ188 为 1000 ms，EN1434 为 330 个位时间加 50 ms）没有通过校验的应答时，显示原因：无应答、应答不完整、校验和错误、不是本表的应答或无法识别的数据。接口回显本机请求时，回显之后显示“（本机回显…）”，并继续等待仪表应答。

连续读表
输入间隔秒数，点击“开始”后按间隔自动读表，点击“停止”结束。每次读表后显示统计：次数、通过、无应答、校验失败、平均和最长应答时间；每次“开始”重新统计。

点击“发送”或“接收”旁的计数可清零。</source>
        <translation>

Reading a meter
CJ188 meter: enter the meter address (up to 10 digits) and the maker code, choose the meter type and click &quot;Read data&quot;. When the address is not known, connect one meter only and click &quot;Read address&quot;.
EN1434 meter: enter the primary address (two hex digits; FE is the point-to-point address) and click &quot;Read data&quot;. To change it, enter the new address in &quot;New addr.&quot; and click &quot;Set address&quot;. &quot;Set address&quot; goes to the address FE, so every meter on the line takes the new address: connect one meter only while changing it.
When the meter asked answers with a read-data reply whose checksum and end byte are right, &quot;Data analysis&quot; shows &quot;Checksum OK!&quot; and the response time. When no reply passes the checks within the reply time-out (from the request&apos;s last byte: 1000 ms for CJ188, 330 bit times plus 50 ms for EN1434), it shows why: no reply, incomplete reply, checksum error, not this meter&apos;s reply or unrecognised data. When the interface echoes the request, &quot;(Local echo…)&quot; follows the echo, and the meter&apos;s reply is still awaited.

Continuous reading
Enter the interval in seconds and click &quot;Start&quot; to read the meter at that interval; &quot;Stop&quot; ends it. After each reading the statistics follow: readings, passed, no reply, check failed, mean and longest response time; each &quot;Start&quot; begins them anew.

Click the count beside &quot;Tx&quot; or &quot;Rx&quot; to reset it.</translation>
    </message>
    <message>
        <source>安装、端口映射、各结果行的含义、总线窗口、命令行工具和故障排除的详细说明见用户手册：%1</source>
        <translation>Installing, the port map, what each outcome line means, the bus window, the command-line tool and troubleshooting are described in the user guide (in Chinese): %1
In English, the README (&quot;Product information&quot;) describes them.</translation>
    </message>
</context>
<context>
    <name>Logo</name>
    <message>
        <source>仪表通讯测试</source>
        <translation>Meter test bench</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>关闭串口</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>系统提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>通信端口%1端口没打开！</source>
        <translation>Port %1 is not open! Click &quot;Open port&quot; first.</translation>
    </message>
    <message>
        <source>错误提示 (0x%1)</source>
        <translation>Error (0x%1)</translation>
    </message>
    <message>
        <source>错误提示</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>通讯记录写入失败：%1</source>
        <translation>The traffic log cannot be written: %1</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>串口配置</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>端口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud</translation>
    </message>
    <message>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Tx</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>Rx</translation>
    </message>
    <message>
        <source>接收区</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>数据分析</source>
        <translation>Data analysis</translation>
    </message>
    <message>
        <source>仪表地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>厂商代码</source>
        <translation>Maker</translation>
    </message>
    <message>
        <source>仪表类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>发送区</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>新表地址</source>
        <translation>New addr.</translation>
    </message>
    <message>
        <source>通信端口%1无法打开！</source>
        <translation>Port %1 cannot be opened!</translation>
    </message>
    <message>
        <source>通信端口%1已断开！</source>
        <translation>Port %1 was disconnected! Plug it in again and open it.</translation>
    </message>
    <message>
        <source>校验通过！</source>
        <translation>Checksum OK!</translation>
    </message>
    <message>
        <source>（本机回显：以上是本机发出的请求，继续等待仪表应答）</source>
        <translation>(Local echo: the frame above is this PC&apos;s own request; still waiting for the meter&apos;s reply)</translation>
    </message>
    <message>
        <source>厂商代码 第二字节</source>
        <translation>Maker code, second byte</translation>
    </message>
    <message>
        <source>冷水水表 - 10H</source>
        <translation>Cold water - 10H</translation>
    </message>
    <message>
        <source>热水水表 - 11H</source>
        <translation>Hot water - 11H</translation>
    </message>
    <message>
        <source>净水水表 - 12H</source>
        <translation>Drinking - 12H</translation>
    </message>
    <message>
        <source>中水水表 - 13H</source>
        <translation>Reclaimed - 13H</translation>
    </message>
    <message>
        <source>大口径表 - 19H</source>
        <translation>Large bore - 19H</translation>
    </message>
    <message>
        <source>热计量表 - 20H</source>
        <translation>Heat - 20H</translation>
    </message>
    <message>
        <source>冷计量表 - 21H</source>
        <translation>Cooling - 21H</translation>
    </message>
    <message>
        <source>获取产品信息</source>
        <translation>Product information</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>CJ188仪表</source>
        <translation>CJ188 meter</translation>
    </message>
    <message>
        <source>EN1434仪表</source>
        <translation>EN1434 meter</translation>
    </message>
    <message>
        <source>读表数据</source>
        <translation>Read data</translation>
    </message>
    <message>
        <source>读表地址</source>
        <translation>Read address</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>修改地址</source>
        <translation>Set address</translation>
    </message>
    <message>
        <source>无NONE</source>
        <translation>None</translation>
    </message>
    <message>
        <source>奇ODD</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶EVEN</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>标MARK</source>
        <translation>Mark</translation>
    </message>
    <message>
        <source>空SPACE</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>M-Bus 总线…</source>
        <translation>M-Bus bus…</translation>
    </message>
    <message>
        <source>M-Bus 总线窗口正在使用通信端口，请等它完成或取消后再发送。</source>
        <translation>The M-Bus bus window is using the port; wait until it finishes, or cancel it, then send again.</translation>
    </message>
    <message>
        <source>复制到仪表地址</source>
        <translation>Copy into meter address</translation>
    </message>
    <message>
        <source>仪表地址：%1&#x3000;仪表类型：%2H&#x3000;厂商代码：%3（双击填入）</source>
        <translation>Meter address: %1   Meter type: %2H   Manufacturer code: %3 (double-click to fill in)</translation>
    </message>
    <message>
        <source>保存通讯记录</source>
        <translation>Save traffic record</translation>
    </message>
    <message>
        <source>通讯记录 (*.log *.txt)</source>
        <translation>Traffic records (*.log *.txt)</translation>
    </message>
    <message>
        <source>通讯记录已保存到 %1。</source>
        <translation>The traffic record was saved to %1.</translation>
    </message>
    <message>
        <source>通讯记录无法保存到 %1：%2
记录仍然保留，请换一个位置再保存。</source>
        <translation>The traffic record could not be saved to %1: %2
The record is kept; save it somewhere else.</translation>
    </message>
</context>
<context>
    <name>MbusDecoder</name>
    <message>
        <source>其他</source>
        <translation>other</translation>
    </message>
    <message>
        <source>油</source>
        <translation>oil</translation>
    </message>
    <message>
        <source>电</source>
        <translation>electricity</translation>
    </message>
    <message>
        <source>燃气</source>
        <translation>gas</translation>
    </message>
    <message>
        <source>热量（出口）</source>
        <translation>heat (outlet)</translation>
    </message>
    <message>
        <source>蒸汽</source>
        <translation>steam</translation>
    </message>
    <message>
        <source>温水</source>
        <translation>warm water</translation>
    </message>
    <message>
        <source>水</source>
        <translation>water</translation>
    </message>
    <message>
        <source>热分配表</source>
        <translation>heat cost allocator</translation>
    </message>
    <message>
        <source>压缩空气</source>
        <translation>compressed air</translation>
    </message>
    <message>
        <source>冷量（出口）</source>
        <translation>cooling (outlet)</translation>
    </message>
    <message>
        <source>冷量（入口）</source>
        <translation>cooling (inlet)</translation>
    </message>
    <message>
        <source>热量（入口）</source>
        <translation>heat (inlet)</translation>
    </message>
    <message>
        <source>冷热量</source>
        <translation>Heat/cooling energy</translation>
    </message>
    <message>
        <source>总线/系统部件</source>
        <translation>bus / system component</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>热水</source>
        <translation>hot water</translation>
    </message>
    <message>
        <source>冷水</source>
        <translation>cold water</translation>
    </message>
    <message>
        <source>冷热水双计</source>
        <translation>dual register water</translation>
    </message>
    <message>
        <source>压力</source>
        <translation>Pressure</translation>
    </message>
    <message>
        <source>模数转换器</source>
        <translation>A/D converter</translation>
    </message>
    <message>
        <source>应用忙</source>
        <translation>application busy</translation>
    </message>
    <message>
        <source>应用错误</source>
        <translation>application error</translation>
    </message>
    <message>
        <source>应用异常</source>
        <translation>abnormal application state</translation>
    </message>
    <message>
        <source>电源电压低</source>
        <translation>power low</translation>
    </message>
    <message>
        <source>永久错误</source>
        <translation>permanent error</translation>
    </message>
    <message>
        <source>临时错误</source>
        <translation>temporary error</translation>
    </message>
    <message>
        <source>厂商状态位 %1</source>
        <translation>manufacturer status bits %1</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>表号</source>
        <translation>Identification number</translation>
    </message>
    <message>
        <source>厂商</source>
        <translation>Manufacturer</translation>
    </message>
    <message>
        <source>介质</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>保留（%1）</source>
        <translation>reserved (%1)</translation>
    </message>
    <message>
        <source>未指明的错误</source>
        <translation>unspecified error</translation>
    </message>
    <message>
        <source>不支持的CI字段</source>
        <translation>CI field not implemented</translation>
    </message>
    <message>
        <source>缓冲区过长，已截断</source>
        <translation>buffer too long, truncated</translation>
    </message>
    <message>
        <source>记录过多</source>
        <translation>too many records</translation>
    </message>
    <message>
        <source>记录提前结束</source>
        <translation>premature end of record</translation>
    </message>
    <message>
        <source>DIFE超过10个</source>
        <translation>more than 10 DIFEs</translation>
    </message>
    <message>
        <source>VIFE超过10个</source>
        <translation>more than 10 VIFEs</translation>
    </message>
    <message>
        <source>保留</source>
        <translation>reserved</translation>
    </message>
    <message>
        <source>读取次数过多</source>
        <translation>too many readouts</translation>
    </message>
    <message>
        <source>不是M-Bus长帧</source>
        <translation>Not an M-Bus long frame</translation>
    </message>
    <message>
        <source>帧格式错误：两个长度字节不同</source>
        <translation>Frame format error: the two length bytes differ</translation>
    </message>
    <message>
        <source>帧格式错误：第二个起始字节不是68</source>
        <translation>Frame format error: the second start byte is not 68</translation>
    </message>
    <message>
        <source>报文不完整：收到 %1 字节，应为 %2 字节</source>
        <translation>Incomplete frame: %1 bytes received, %2 expected</translation>
    </message>
    <message>
        <source>校验和后没有结束符16</source>
        <translation>No end byte 16 after the checksum</translation>
    </message>
    <message>
        <source>报文太短，缺少C、A或CI字段</source>
        <translation>Frame too short: the C, A or CI field is missing</translation>
    </message>
    <message>
        <source>CI %1 不是可变数据应答</source>
        <translation>CI %1 is not a variable data reply</translation>
    </message>
    <message>
        <source>报文头不完整</source>
        <translation>Incomplete data header</translation>
    </message>
    <message>
        <source>厂商数据</source>
        <translation>Manufacturer data</translation>
    </message>
    <message>
        <source>文本单位量</source>
        <translation>Quantity with plain-text unit</translation>
    </message>
    <message>
        <source>厂商自定义（%1）</source>
        <translation>Manufacturer specific (%1)</translation>
    </message>
    <message>
        <source>任意量</source>
        <translation>Any quantity</translation>
    </message>
    <message>
        <source>日期无效</source>
        <translation>invalid date</translation>
    </message>
    <message>
        <source>（夏令时）</source>
        <translation> (summer time)</translation>
    </message>
    <message>
        <source>（错误码 %1）</source>
        <translation> (error code %1)</translation>
    </message>
    <message>
        <source>能量</source>
        <translation>Energy</translation>
    </message>
    <message>
        <source>累积流量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>质量</source>
        <translation>Mass</translation>
    </message>
    <message>
        <source>功率</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>瞬时流量</source>
        <translation>Volume flow</translation>
    </message>
    <message>
        <source>质量流量</source>
        <translation>Mass flow</translation>
    </message>
    <message>
        <source>通电时间</source>
        <translation>On time</translation>
    </message>
    <message>
        <source>工作时间</source>
        <translation>Operating time</translation>
    </message>
    <message>
        <source>供水温度</source>
        <translation>Flow temperature</translation>
    </message>
    <message>
        <source>回水温度</source>
        <translation>Return temperature</translation>
    </message>
    <message>
        <source>温差</source>
        <translation>Temperature difference</translation>
    </message>
    <message>
        <source>外部温度</source>
        <translation>External temperature</translation>
    </message>
    <message>
        <source>平均时长</source>
        <translation>Averaging duration</translation>
    </message>
    <message>
        <source>实际时长</source>
        <translation>Actuality duration</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>日期时间</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>热分配表读数</source>
        <translation>HCA units</translation>
    </message>
    <message>
        <source>出厂编号</source>
        <translation>Fabrication number</translation>
    </message>
    <message>
        <source>扩展标识</source>
        <translation>Enhanced identification</translation>
    </message>
    <message>
        <source>总线地址</source>
        <translation>Bus address</translation>
    </message>
    <message>
        <source>访问号</source>
        <translation>Access number</translation>
    </message>
    <message>
        <source>参数集标识</source>
        <translation>Parameter set</translation>
    </message>
    <message>
        <source>型号版本</source>
        <translation>Model version</translation>
    </message>
    <message>
        <source>硬件版本</source>
        <translation>Hardware version</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware version</translation>
    </message>
    <message>
        <source>软件版本</source>
        <translation>Software version</translation>
    </message>
    <message>
        <source>用户位置</source>
        <translation>Customer location</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>Customer</translation>
    </message>
    <message>
        <source>用户访问码</source>
        <translation>Access code user</translation>
    </message>
    <message>
        <source>运营商访问码</source>
        <translation>Access code operator</translation>
    </message>
    <message>
        <source>系统运营商访问码</source>
        <translation>Access code system operator</translation>
    </message>
    <message>
        <source>开发者访问码</source>
        <translation>Access code developer</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>错误标志</source>
        <translation>Error flags</translation>
    </message>
    <message>
        <source>错误掩码</source>
        <translation>Error mask</translation>
    </message>
    <message>
        <source>数字输出</source>
        <translation>Digital output</translation>
    </message>
    <message>
        <source>数字输入</source>
        <translation>Digital input</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>响应延迟（位时间）</source>
        <translation>Response delay (bit times)</translation>
    </message>
    <message>
        <source>重试次数</source>
        <translation>Retries</translation>
    </message>
    <message>
        <source>循环存储首存储号</source>
        <translation>First storage number (cyclic)</translation>
    </message>
    <message>
        <source>循环存储末存储号</source>
        <translation>Last storage number (cyclic)</translation>
    </message>
    <message>
        <source>存储块大小</source>
        <translation>Storage block size</translation>
    </message>
    <message>
        <source>存储间隔（月）</source>
        <translation>Storage interval (months)</translation>
    </message>
    <message>
        <source>存储间隔（年）</source>
        <translation>Storage interval (years)</translation>
    </message>
    <message>
        <source>费率开始时间</source>
        <translation>Start of tariff</translation>
    </message>
    <message>
        <source>费率周期（月）</source>
        <translation>Tariff period (months)</translation>
    </message>
    <message>
        <source>费率周期（年）</source>
        <translation>Tariff period (years)</translation>
    </message>
    <message>
        <source>无量纲值</source>
        <translation>Dimensionless</translation>
    </message>
    <message>
        <source>复位次数</source>
        <translation>Reset counter</translation>
    </message>
    <message>
        <source>累积次数</source>
        <translation>Cumulation counter</translation>
    </message>
    <message>
        <source>控制信号</source>
        <translation>Control signal</translation>
    </message>
    <message>
        <source>星期</source>
        <translation>Day of week</translation>
    </message>
    <message>
        <source>周数</source>
        <translation>Week number</translation>
    </message>
    <message>
        <source>日切换时间点</source>
        <translation>Time of day change</translation>
    </message>
    <message>
        <source>参数激活状态</source>
        <translation>Parameter activation state</translation>
    </message>
    <message>
        <source>特殊供应商信息</source>
        <translation>Special supplier information</translation>
    </message>
    <message>
        <source>更换电池日期</source>
        <translation>Battery change date</translation>
    </message>
    <message>
        <source>贷记金额</source>
        <translation>Credit</translation>
    </message>
    <message>
        <source>借记金额</source>
        <translation>Debit</translation>
    </message>
    <message>
        <source>电压</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>电流</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>存储间隔</source>
        <translation>Storage interval</translation>
    </message>
    <message>
        <source>距上次读表时长</source>
        <translation>Time since last readout</translation>
    </message>
    <message>
        <source>费率持续时间</source>
        <translation>Tariff duration</translation>
    </message>
    <message>
        <source>费率周期</source>
        <translation>Tariff period</translation>
    </message>
    <message>
        <source>%1（月）</source>
        <translation>%1 (months)</translation>
    </message>
    <message>
        <source>%1（年）</source>
        <translation>%1 (years)</translation>
    </message>
    <message>
        <source>距上次累积时长</source>
        <translation>Time since last cumulation</translation>
    </message>
    <message>
        <source>电池使用时间</source>
        <translation>Battery operating time</translation>
    </message>
    <message>
        <source>电池剩余时间</source>
        <translation>Remaining battery time</translation>
    </message>
    <message>
        <source>未知VIF %1</source>
        <translation>Unknown VIF %1</translation>
    </message>
    <message>
        <source>未知扩展VIF FD %1</source>
        <translation>Unknown VIFE FD %1</translation>
    </message>
    <message>
        <source>冷/暖温度限值</source>
        <translation>Cold/warm temperature limit</translation>
    </message>
    <message>
        <source>最大功率累计计数</source>
        <translation>Cumulative count of maximum power</translation>
    </message>
    <message>
        <source>未知扩展VIF FB %1</source>
        <translation>Unknown VIFE FB %1</translation>
    </message>
    <message>
        <source>热量</source>
        <translation>Heat energy</translation>
    </message>
    <message>
        <source>冷量</source>
        <translation>Cooling energy</translation>
    </message>
    <message>
        <source>热功率</source>
        <translation>Heat power</translation>
    </message>
    <message>
        <source>%1（保留扩展 %2）</source>
        <translation>%1 (reserved extension %2)</translation>
    </message>
    <message>
        <source>无错误</source>
        <translation>no error</translation>
    </message>
    <message>
        <source>DIFE过多</source>
        <translation>too many DIFEs</translation>
    </message>
    <message>
        <source>不支持该存储号</source>
        <translation>storage number not implemented</translation>
    </message>
    <message>
        <source>不支持该子单元号</source>
        <translation>subunit not implemented</translation>
    </message>
    <message>
        <source>不支持该费率号</source>
        <translation>tariff not implemented</translation>
    </message>
    <message>
        <source>不支持该功能</source>
        <translation>function not implemented</translation>
    </message>
    <message>
        <source>不支持该数据类型</source>
        <translation>data class not implemented</translation>
    </message>
    <message>
        <source>不支持该数据长度</source>
        <translation>data size not implemented</translation>
    </message>
    <message>
        <source>VIFE过多</source>
        <translation>too many VIFEs</translation>
    </message>
    <message>
        <source>非法VIF组</source>
        <translation>illegal VIF group</translation>
    </message>
    <message>
        <source>非法VIF指数</source>
        <translation>illegal VIF exponent</translation>
    </message>
    <message>
        <source>VIF与DIF不匹配</source>
        <translation>VIF/DIF mismatch</translation>
    </message>
    <message>
        <source>不支持的操作</source>
        <translation>action not implemented</translation>
    </message>
    <message>
        <source>无可用数据（值未定义）</source>
        <translation>no data available (undefined value)</translation>
    </message>
    <message>
        <source>数据上溢</source>
        <translation>data overflow</translation>
    </message>
    <message>
        <source>数据下溢</source>
        <translation>data underflow</translation>
    </message>
    <message>
        <source>数据错误</source>
        <translation>data error</translation>
    </message>
    <message>
        <source>每秒</source>
        <translation>per second</translation>
    </message>
    <message>
        <source>每分钟</source>
        <translation>per minute</translation>
    </message>
    <message>
        <source>每小时</source>
        <translation>per hour</translation>
    </message>
    <message>
        <source>每天</source>
        <translation>per day</translation>
    </message>
    <message>
        <source>每周</source>
        <translation>per week</translation>
    </message>
    <message>
        <source>每月</source>
        <translation>per month</translation>
    </message>
    <message>
        <source>每年</source>
        <translation>per year</translation>
    </message>
    <message>
        <source>每转/每次测量</source>
        <translation>per revolution / measurement</translation>
    </message>
    <message>
        <source>输入通道0每脉冲增量</source>
        <translation>increment per input pulse, channel 0</translation>
    </message>
    <message>
        <source>输入通道1每脉冲增量</source>
        <translation>increment per input pulse, channel 1</translation>
    </message>
    <message>
        <source>输出通道0每脉冲增量</source>
        <translation>increment per output pulse, channel 0</translation>
    </message>
    <message>
        <source>输出通道1每脉冲增量</source>
        <translation>increment per output pulse, channel 1</translation>
    </message>
    <message>
        <source>每升</source>
        <translation>per litre</translation>
    </message>
    <message>
        <source>每立方米</source>
        <translation>per m³</translation>
    </message>
    <message>
        <source>每千克</source>
        <translation>per kg</translation>
    </message>
    <message>
        <source>每开尔文</source>
        <translation>per K</translation>
    </message>
    <message>
        <source>每千瓦时</source>
        <translation>per kWh</translation>
    </message>
    <message>
        <source>每吉焦</source>
        <translation>per GJ</translation>
    </message>
    <message>
        <source>每千瓦</source>
        <translation>per kW</translation>
    </message>
    <message>
        <source>每开尔文·升</source>
        <translation>per K·l</translation>
    </message>
    <message>
        <source>每伏</source>
        <translation>per V</translation>
    </message>
    <message>
        <source>每安</source>
        <translation>per A</translation>
    </message>
    <message>
        <source>乘以秒</source>
        <translation>times s</translation>
    </message>
    <message>
        <source>乘以秒/伏</source>
        <translation>times s/V</translation>
    </message>
    <message>
        <source>乘以秒/安</source>
        <translation>times s/A</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>%1起始时间</source>
        <translation>%1 start date</translation>
    </message>
    <message>
        <source>%1（未修正）</source>
        <translation>%1 (uncorrected unit)</translation>
    </message>
    <message>
        <source>%1（仅累积正值）</source>
        <translation>%1 (positive contributions only)</translation>
    </message>
    <message>
        <source>%1（累积负值的绝对值）</source>
        <translation>%1 (absolute value of negative contributions)</translation>
    </message>
    <message>
        <source>%1下限超限开始时间</source>
        <translation>%1 lower limit first exceed began</translation>
    </message>
    <message>
        <source>%1下限超限结束时间</source>
        <translation>%1 lower limit first exceed ended</translation>
    </message>
    <message>
        <source>%1下限最后一次超限开始时间</source>
        <translation>%1 lower limit last exceed began</translation>
    </message>
    <message>
        <source>%1下限最后一次超限结束时间</source>
        <translation>%1 lower limit last exceed ended</translation>
    </message>
    <message>
        <source>%1上限超限开始时间</source>
        <translation>%1 upper limit first exceed began</translation>
    </message>
    <message>
        <source>%1上限超限结束时间</source>
        <translation>%1 upper limit first exceed ended</translation>
    </message>
    <message>
        <source>%1上限最后一次超限开始时间</source>
        <translation>%1 upper limit last exceed began</translation>
    </message>
    <message>
        <source>%1上限最后一次超限结束时间</source>
        <translation>%1 upper limit last exceed ended</translation>
    </message>
    <message>
        <source>%1下限超限持续时间</source>
        <translation>%1 lower limit first exceed duration</translation>
    </message>
    <message>
        <source>%1下限最后一次超限持续时间</source>
        <translation>%1 lower limit last exceed duration</translation>
    </message>
    <message>
        <source>%1上限超限持续时间</source>
        <translation>%1 upper limit first exceed duration</translation>
    </message>
    <message>
        <source>%1上限最后一次超限持续时间</source>
        <translation>%1 upper limit last exceed duration</translation>
    </message>
    <message>
        <source>%1超限开始时间</source>
        <translation>%1 first exceed began</translation>
    </message>
    <message>
        <source>%1超限结束时间</source>
        <translation>%1 first exceed ended</translation>
    </message>
    <message>
        <source>%1最后一次超限开始时间</source>
        <translation>%1 last exceed began</translation>
    </message>
    <message>
        <source>%1最后一次超限结束时间</source>
        <translation>%1 last exceed ended</translation>
    </message>
    <message>
        <source>%1上限值</source>
        <translation>%1 upper limit</translation>
    </message>
    <message>
        <source>%1下限值</source>
        <translation>%1 lower limit</translation>
    </message>
    <message>
        <source>%1上限超限次数</source>
        <translation>%1 upper limit exceeds</translation>
    </message>
    <message>
        <source>%1下限超限次数</source>
        <translation>%1 lower limit exceeds</translation>
    </message>
    <message>
        <source>%1最后一次持续时间</source>
        <translation>%1 duration (last)</translation>
    </message>
    <message>
        <source>%1持续时间</source>
        <translation>%1 duration (first)</translation>
    </message>
    <message>
        <source>%1（上限超限期间）</source>
        <translation>%1 (during upper limit exceed)</translation>
    </message>
    <message>
        <source>%1（下限超限期间）</source>
        <translation>%1 (during lower limit exceed)</translation>
    </message>
    <message>
        <source>%1（泄漏值）</source>
        <translation>%1 (leakage values)</translation>
    </message>
    <message>
        <source>%1（溢出值）</source>
        <translation>%1 (overflow values)</translation>
    </message>
    <message>
        <source>%1附加修正常数</source>
        <translation>%1 additive correction constant</translation>
    </message>
    <message>
        <source>%1（未来值）</source>
        <translation>%1 (future value)</translation>
    </message>
    <message>
        <source>%1（厂商扩展 %2）</source>
        <translation>%1 (manufacturer extension %2)</translation>
    </message>
    <message>
        <source>流量</source>
        <translation>Flow</translation>
    </message>
</context>
<context>
    <name>MeterSession</name>
    <message>
        <source> 占用</source>
        <translation> busy</translation>
    </message>
</context>
<context>
    <name>OpenFailure</name>
    <message>
        <source>该端口号没有对应的设备，请检查端口映射。</source>
        <translation>No device stands behind this port number: check the port map.</translation>
    </message>
    <message>
        <source>设备 %1 不存在：请检查串口线或 USB 转换器是否插好。</source>
        <translation>Device %1 does not exist: check that the serial cable or USB adapter is plugged in.</translation>
    </message>
    <message>
        <source>没有权限使用 %1：请把用户加入 dialout 组（sudo usermod -aG dialout $USER），然后重新登录。</source>
        <translation>No permission to use %1: add your user to the group dialout (sudo usermod -aG dialout $USER), then log out and in again.</translation>
    </message>
    <message>
        <source>%1 正被其他程序占用：请关闭该程序后重试。</source>
        <translation>%1 is in use by another program: close that program and try again.</translation>
    </message>
    <message>
        <source>%1 正被 %2 占用：请关闭该程序后重试。</source>
        <translation>%1 is in use by %2: close that program and try again.</translation>
    </message>
    <message>
        <source>%1 不是串口设备。</source>
        <translation>%1 is not a serial device.</translation>
    </message>
    <message>
        <source>设备不接受所选的串口设置（波特率、校验位、数据位或停止位）。</source>
        <translation>The device refuses the chosen settings (baud rate, parity, data bits or stop bits).</translation>
    </message>
</context>
<context>
    <name>Poller</name>
    <message>
        <source>连续读表</source>
        <translation>Continuous reading</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
</context>
<context>
    <name>ReceiveAreaTools</name>
    <message>
        <source>查找（十六进制或文字）</source>
        <translation>Find (hex or text)</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>查找…</source>
        <translation>Find…</translation>
    </message>
    <message>
        <source>显示时间</source>
        <translation>Show time</translation>
    </message>
    <message>
        <source>保存通讯记录…</source>
        <translation>Save traffic record…</translation>
    </message>
    <message>
        <source>接收区中没有“%1”。</source>
        <translation>&quot;%1&quot; is not in the receive area.</translation>
    </message>
</context>
<context>
    <name>ReplyOutcome</name>
    <message>
        <source>应答时间：%1 ms</source>
        <translation>Response time: %1 ms</translation>
    </message>
    <message>
        <source>无应答：仪表在应答时限内没有发送任何数据，请检查接线、表地址、波特率和校验位。</source>
        <translation>No reply: the meter sent nothing within the reply time-out. Check the wiring, meter address, baud rate and parity.</translation>
    </message>
    <message>
        <source>应答不完整：帧已开始但没有收完，请检查接线和干扰，或延长应答时限。</source>
        <translation>Incomplete reply: a frame began but did not end. Check the wiring and interference, or allow a longer reply time-out.</translation>
    </message>
    <message>
        <source>校验和错误：应为 %1，收到 %2，请检查线路干扰和校验位设置。</source>
        <translation>Checksum error: expected %1, received %2. Check the line for interference and the parity setting.</translation>
    </message>
    <message>
        <source>不是本表的应答：收到的帧校验正确，但来自其他地址或不是对本请求的应答，请检查表地址。</source>
        <translation>Not this meter&apos;s reply: the frame received is valid but comes from another address or does not answer this request. Check the meter address.</translation>
    </message>
    <message>
        <source>无法识别的数据：收到数据但其中没有完整的帧，请检查波特率、校验位和协议。</source>
        <translation>Unrecognised data: bytes came in but hold no complete frame. Check the baud rate, parity and protocol.</translation>
    </message>
    <message>
        <source>第 %1 次：通过 %2，无应答 %3，校验失败 %4，平均应答 %5 ms，最长 %6 ms</source>
        <translation>Read %1: passed %2, no reply %3, check failed %4, mean response %5 ms, longest %6 ms</translation>
    </message>
</context>
<context>
    <name>SendAreaEntry</name>
    <message>
        <source>输入帧</source>
        <translation>Type a frame</translation>
    </message>
    <message>
        <source>计算校验和</source>
        <translation>Complete checksum</translation>
    </message>
</context>
<context>
    <name>TrafficTextArea</name>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select all</translation>
    </message>
</context>
<context>
    <name>TypedFrame</name>
    <message>
        <source>短帧是 10 C A，后面是校验和与 16。</source>
        <translation>A short frame is 10 C A, followed by the checksum and 16.</translation>
    </message>
    <message>
        <source>“%1”不是十六进制数字。</source>
        <translation>&quot;%1&quot; is not a hex digit.</translation>
    </message>
    <message>
        <source>“%1”的位数是奇数：每个字节要两位十六进制数字。</source>
        <translation>&quot;%1&quot; has an odd number of digits: each byte takes two hex digits.</translation>
    </message>
    <message>
        <source>没有输入字节：请输入十六进制的帧，例如 10 5B 01 5C 16。</source>
        <translation>No bytes entered: type a frame in hex, for example 10 5B 01 5C 16.</translation>
    </message>
    <message>
        <source>帧太长：%1 字节，最多 %2 字节。</source>
        <translation>The frame is too long: %1 bytes, at most %2.</translation>
    </message>
    <message>
        <source>帧要以 68 开头（前面可以有唤醒字节 FE）。</source>
        <translation>A frame starts with 68 (wake-up bytes FE may come before it).</translation>
    </message>
    <message>
        <source>帧太短：还没有到长度字节。</source>
        <translation>The frame is too short: it ends before its length byte.</translation>
    </message>
    <message>
        <source>长度字节说有 %1 个数据字节，还缺 %2 个字节。</source>
        <translation>The length byte says %1 data bytes; %2 bytes are missing.</translation>
    </message>
    <message>
        <source>比长度字节所说的帧多了 %1 个字节。</source>
        <translation>%1 bytes more than the length byte says.</translation>
    </message>
</context>
</TS>
