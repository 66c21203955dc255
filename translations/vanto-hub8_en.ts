<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AdapterCommPage</name>
    <message>
        <source>链路（USB HID 上的 Modbus RTU）</source>
        <translation>Link (Modbus RTU over USB HID)</translation>
    </message>
    <message>
        <source>从站地址</source>
        <translation>Slave address</translation>
    </message>
    <message>
        <source>适配器没有修改此设置的命令，只能查看</source>
        <translation>The adapter has no command to change this setting; view only</translation>
    </message>
    <message>
        <source>报文长度</source>
        <translation>Report size</translation>
    </message>
    <message>
        <source>读超时</source>
        <translation>Read timeout</translation>
    </message>
    <message>
        <source>每个请求等待应答的最长时间；适配器没有修改此设置的命令，只能查看</source>
        <translation>The longest wait for the answer to each request; the adapter has no command to change this setting; view only</translation>
    </message>
    <message>
        <source>ISDU 邮箱等待与轮询</source>
        <translation>ISDU mailbox waits and polling</translation>
    </message>
    <message>
        <source>参数页：单项读</source>
        <translation>Parameter page: single item read</translation>
    </message>
    <message>
        <source>写入读请求后、读取应答前的等待；工具内置的等待时间；适配器没有相关命令，只能查看</source>
        <translation>The wait after writing a read request, before reading the response; built into the tool; the adapter has no command for it; view only</translation>
    </message>
    <message>
        <source>参数页：记录读</source>
        <translation>Parameter page: record read</translation>
    </message>
    <message>
        <source>读取应答前和读取应答后各等待一次；工具内置的等待时间；适配器没有相关命令，只能查看</source>
        <translation>One wait before and one after reading the response; built into the tool; the adapter has no command for it; view only</translation>
    </message>
    <message>
        <source>参数页：单项写</source>
        <translation>Parameter page: single item write</translation>
    </message>
    <message>
        <source>每个写请求后的等待；工具内置的等待时间；适配器没有相关命令，只能查看</source>
        <translation>The wait after each write request; built into the tool; the adapter has no command for it; view only</translation>
    </message>
    <message>
        <source>参数页：记录写</source>
        <translation>Parameter page: record write</translation>
    </message>
    <message>
        <source>ISDU 控制台</source>
        <translation>ISDU console</translation>
    </message>
    <message>
        <source>发送请求后查询应答的间隔和最长等待（之后显示“无应答”）；工具内置的等待时间；适配器没有相关命令，只能查看</source>
        <translation>How often the response is polled after sending a request, and the longest wait (then “No answer” is shown); built into the tool; the adapter has no command for it; view only</translation>
    </message>
    <message>
        <source>端口识别</source>
        <translation>Port identification</translation>
    </message>
    <message>
        <source>读取设备直接参数页 1 时查询应答的间隔和最长等待；工具内置的等待时间；适配器没有相关命令，只能查看</source>
        <translation>How often the response is polled when reading the device’s Direct Parameter Page 1, and the longest wait; built into the tool; the adapter has no command for it; view only</translation>
    </message>
    <message>
        <source>过程数据输入轮询</source>
        <translation>Process data input polling</translation>
    </message>
    <message>
        <source>过程数据输入页读取输入的周期；工具内置的等待时间；适配器没有相关命令，只能查看</source>
        <translation>The period at which the In port page reads the inputs; built into the tool; the adapter has no command for it; view only</translation>
    </message>
    <message>
        <source>过程数据输出等待</source>
        <translation>Process data output wait</translation>
    </message>
    <message>
        <source>写输出前后的等待；工具内置的等待时间；适配器没有相关命令，只能查看</source>
        <translation>The wait before and after writing the outputs; built into the tool; the adapter has no command for it; view only</translation>
    </message>
    <message>
        <source>%1 字节（报告 ID 0x00、Modbus RTU 帧、零填充）</source>
        <translation>%1 bytes (report ID 0x00, Modbus RTU frame, zero padding)</translation>
    </message>
    <message>
        <source>每 %1 查询一次，最多 %2</source>
        <translation>Every %1, at most %2</translation>
    </message>
    <message>
        <source>%1（应答前后各一次）</source>
        <translation>%1 (once before and once after the response)</translation>
    </message>
    <message>
        <source>%1（写前后各一次）</source>
        <translation>%1 (once before and once after the write)</translation>
    </message>
</context>
<context>
    <name>AdapterPortPage</name>
    <message>
        <source>所选端口</source>
        <translation>Selected port</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>在左侧端口树中选择端口</source>
        <translation>Select a port in the port tree on the left</translation>
    </message>
    <message>
        <source>模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>适配器没有设置端口模式的命令，只能查看</source>
        <translation>The adapter has no command to set the port mode; view only</translation>
    </message>
    <message>
        <source>厂商ID</source>
        <translation>Vendor ID</translation>
    </message>
    <message>
        <source>所连 IO-Link 设备的厂商 ID</source>
        <translation>Vendor ID of the connected IO-Link device</translation>
    </message>
    <message>
        <source>设备ID</source>
        <translation>Device ID</translation>
    </message>
    <message>
        <source>所连 IO-Link 设备的设备 ID</source>
        <translation>Device ID of the connected IO-Link device</translation>
    </message>
    <message>
        <source>最小周期时间</source>
        <translation>Min. cycle time</translation>
    </message>
    <message>
        <source>设备直接参数页 1 中的最小周期时间；适配器没有设置周期时间的命令，只能查看</source>
        <translation>The minimum cycle time from the device’s Direct Parameter Page 1; the adapter has no command to set the cycle time; view only</translation>
    </message>
    <message>
        <source>来源</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>读取设备</source>
        <translation>Read device</translation>
    </message>
    <message>
        <source>重新读取设备的直接参数页 1</source>
        <translation>Read the device’s Direct Parameter Page 1 again</translation>
    </message>
    <message>
        <source>未选择端口</source>
        <translation>No port selected</translation>
    </message>
    <message>
        <source>适配器未连接</source>
        <translation>Adapter not connected</translation>
    </message>
    <message>
        <source>模式：适配器端口状态块</source>
        <translation>Mode: adapter port status block</translation>
    </message>
    <message>
        <source>模式：设备直接参数页 1</source>
        <translation>Mode: device Direct Parameter Page 1</translation>
    </message>
    <message>
        <source>；标识和最小周期时间：设备直接参数页 1</source>
        <translation>; identity and min. cycle time: device Direct Parameter Page 1</translation>
    </message>
    <message>
        <source>；设备的直接参数页 1 尚未读到</source>
        <translation>; the device’s Direct Parameter Page 1 not read yet</translation>
    </message>
</context>
<context>
    <name>AdapterDetailsPage</name>
    <message>
        <source>USB 标识</source>
        <translation>USB identity</translation>
    </message>
    <message>
        <source>适配器的 USB 描述符（hidapi 读取）；适配器没有修改它们的命令，只能查看</source>
        <translation>The adapter’s USB descriptors (read by hidapi); the adapter has no command to change them; view only</translation>
    </message>
    <message>
        <source>制造商</source>
        <translation>Manufacturer</translation>
    </message>
    <message>
        <source>产品</source>
        <translation>Product</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Release</translation>
    </message>
    <message>
        <source>路径</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>连接状态</source>
        <translation>Connection state</translation>
    </message>
    <message>
        <source>端口状态来源</source>
        <translation>Port states from</translation>
    </message>
    <message>
        <source>工具从哪里得知各端口的状态</source>
        <translation>Where the tool learns each port’s state</translation>
    </message>
    <message>
        <source>链路统计（自程序启动以来）</source>
        <translation>Link statistics (since the tool started)</translation>
    </message>
    <message>
        <source>已发送帧</source>
        <translation>Frames sent</translation>
    </message>
    <message>
        <source>适配器完整接收的请求报告</source>
        <translation>Request reports the adapter received in full</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Answers</translation>
    </message>
    <message>
        <source>收到的应答报告</source>
        <translation>Answer reports received</translation>
    </message>
    <message>
        <source>超时</source>
        <translation>Timeouts</translation>
    </message>
    <message>
        <source>读超时内没有应答</source>
        <translation>No answer within the read timeout</translation>
    </message>
    <message>
        <source>异常应答</source>
        <translation>Exception answers</translation>
    </message>
    <message>
        <source>Modbus 异常应答</source>
        <translation>Modbus exception answers</translation>
    </message>
    <message>
        <source>CRC 错误</source>
        <translation>CRC errors</translation>
    </message>
    <message>
        <source>CRC 不正确的应答</source>
        <translation>Answers with a wrong CRC</translation>
    </message>
    <message>
        <source>丢弃的过期应答</source>
        <translation>Stale answers dropped</translation>
    </message>
    <message>
        <source>发送请求前丢弃的过期应答</source>
        <translation>Stale answers dropped before sending a request</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>Failures</translation>
    </message>
    <message>
        <source>hidapi 拒绝的写或读</source>
        <translation>Writes or reads refused by hidapi</translation>
    </message>
    <message>
        <source>未连接（链路未打开）</source>
        <translation>Not connected (link not open)</translation>
    </message>
    <message>
        <source>已打开，适配器无应答</source>
        <translation>Open, the adapter does not answer</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>适配器端口状态块（每秒读取）</source>
        <translation>Adapter port status block (read every second)</translation>
    </message>
    <message>
        <source>设备直接参数页 1（适配器没有端口状态块）</source>
        <translation>Device Direct Parameter Page 1 (the adapter has no port status block)</translation>
    </message>
    <message>
        <source>未找到适配器</source>
        <translation>Adapter not found</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MQTT</source>
        <translation>MQTT</translation>
    </message>
    <message>
        <source>MQTT：把适配器的端口、设备标识、过程数据和事件发布到 MQTT 代理</source>
        <translation>MQTT: publish the adapter's ports, device identification, process data and events on an MQTT broker</translation>
    </message>
    <message>
        <source>IODD库：添加、查找并为所选端口加载设备描述文件</source>
        <translation>IODD library: add and find device descriptions, and load one for the selected port</translation>
    </message>
    <message>
        <source>IODD库</source>
        <translation>IODD library</translation>
    </message>
    <message>
        <source>角色：</source>
        <translation>Role: </translation>
    </message>
    <message>
        <source>界面语言</source>
        <translation>Interface language</translation>
    </message>
    <message>
        <source>投产模式</source>
        <translation>Specialist</translation>
    </message>
    <message>
        <source>维护模式</source>
        <translation>Maintenance</translation>
    </message>
    <message>
        <source>操作模式</source>
        <translation>Observer</translation>
    </message>
    <message>
        <source>适配器详情</source>
        <translation>Adapter details</translation>
    </message>
    <message>
        <source>适配器通信参数</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>适配器端口配置</source>
        <translation>Port configuration</translation>
    </message>
    <message>
        <source>适配器未连接，正在重新连接…</source>
        <translation>Adapter not connected, reconnecting…</translation>
    </message>
    <message>
        <source>适配器无应答</source>
        <translation>Adapter not answering</translation>
    </message>
    <message>
        <source>适配器已连接</source>
        <translation>Adapter connected</translation>
    </message>
    <message>
        <source>适配器正被另一个程序使用（%1），正在重新连接…</source>
        <translation>Adapter in use by another program (%1), reconnecting…</translation>
    </message>
    <message>
        <source>适配器未应答，端口上的设备未知</source>
        <translation>The adapter does not answer; the device on the port is unknown</translation>
    </message>
    <message>
        <source>端口上没有可识别的 IO-Link 设备（%1）</source>
        <translation>No identifiable IO-Link device on the port (%1)</translation>
    </message>
    <message>
        <source>适配器未连接</source>
        <translation>Adapter not connected</translation>
    </message>
    <message>
        <source>没有描述文件</source>
        <translation>No device description</translation>
    </message>
    <message>
        <source>描述文件：%1</source>
        <translation>Device description: %1</translation>
    </message>
    <message>
        <source>请先在左侧选择一个端口</source>
        <translation>Select a port on the left first</translation>
    </message>
    <message>
        <source>描述文件无法打开：%1</source>
        <translation>The device description cannot be opened: %1</translation>
    </message>
    <message>
        <source>描述文件无法读取（%1）：%2</source>
        <translation>The device description cannot be read (%1): %2</translation>
    </message>
    <message>
        <source>描述文件超出限制，只显示了部分内容：%1</source>
        <translation>The device description exceeds a limit; only part of it is shown: %1</translation>
    </message>
    <message>
        <source>正在建立IODD库索引：%1/%2</source>
        <translation>Indexing the IODD library: %1/%2</translation>
    </message>
    <message>
        <source>正在建立IODD库索引，找到描述文件后页面随即更新</source>
        <translation>Indexing the IODD library; the pages follow once the description is found</translation>
    </message>
    <message>
        <source>写入记录</source>
        <translation>Write journal</translation>
    </message>
    <message>
        <source>写入记录：本工具和 hub8ctl 向设备写入的每一个值</source>
        <translation>Write journal: every value this tool and hub8ctl wrote to a device</translation>
    </message>
</context>
<context>
    <name>ParameterSetDialog</name>
    <message>
        <source>载入参数 — %1</source>
        <translation>Load parameters — %1</translation>
    </message>
    <message>
        <source>文件 %1：%2</source>
        <translation>File %1: %2</translation>
    </message>
    <message>
        <source>&lt;br&gt;保存时的描述文件 %1 %2，本端口的 %3 %4</source>
        <translation>&lt;br&gt;Saved with device description %1 %2; this port has %3 %4</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>索引</source>
        <translation>Index</translation>
    </message>
    <message>
        <source>文件中的值</source>
        <translation>Value in file</translation>
    </message>
    <message>
        <source>设备中的值</source>
        <translation>Value in device</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>设备侧没有这个值</source>
        <translation>The device has no such value</translation>
    </message>
    <message>
        <source>只显示不同的值</source>
        <translation>Show only values that differ</translation>
    </message>
    <message>
        <source>写入勾选的值</source>
        <translation>Write checked values</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>相同</source>
        <translation>Same</translation>
    </message>
    <message>
        <source>不同</source>
        <translation>Different</translation>
    </message>
    <message>
        <source>不同（不可写）</source>
        <translation>Different (not writable)</translation>
    </message>
    <message>
        <source>仅在文件中</source>
        <translation>Only in file</translation>
    </message>
    <message>
        <source>相同 %1，不同 %2，仅在文件中 %3；将写入 %4 个值</source>
        <translation>Same %1, different %2, only in file %3; %4 values will be written</translation>
    </message>
</context>
<context>
    <name>ProcessDataLayoutPicker</name>
    <message>
        <source>描述中找不到条件变量 %1</source>
        <translation>The description has no condition variable %1</translation>
    </message>
    <message>
        <source>适配器未连接</source>
        <translation>Adapter not connected</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>无法读取 %1（%2）</source>
        <translation>%1 cannot be read (%2)</translation>
    </message>
    <message>
        <source>%1 = %2 不对应任何布局</source>
        <translation>%1 = %2 matches no layout</translation>
    </message>
    <message>
        <source>过程数据布局：%1（%2 = %3）</source>
        <translation>Process data layout: %1 (%2 = %3)</translation>
    </message>
    <message>
        <source>%1，显示第一种过程数据布局：%2</source>
        <translation>%1; showing the first process data layout: %2</translation>
    </message>
</context>
<context>
    <name>ProcessDataTrend</name>
    <message>
        <source>；%1 次读取已导出到 %2</source>
        <translation>; %1 polls exported to %2</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 分钟</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>冻结曲线；记录继续</source>
        <translation>Freeze the lines; recording goes on</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>时间范围</source>
        <translation>Time span</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>自 %1 起记录的读取：%2</source>
        <translation>Polls recorded since %1: %2</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
</context>
<context>
    <name>DeviceStatus</name>
    <message>
        <source>正常</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>需要维护</source>
        <translation>Maintenance required</translation>
    </message>
    <message>
        <source>超出规格</source>
        <translation>Out of rated range</translation>
    </message>
    <message>
        <source>功能检查</source>
        <translation>Functional check</translation>
    </message>
    <message>
        <source>故障</source>
        <translation>Failure</translation>
    </message>
    <message>
        <source>保留值 %1</source>
        <translation>Reserved value %1</translation>
    </message>
    <message>
        <source>通知</source>
        <translation>Notification</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>保留</source>
        <translation>Reserved</translation>
    </message>
    <message>
        <source>出现</source>
        <translation>Appears</translation>
    </message>
    <message>
        <source>消失</source>
        <translation>Disappears</translation>
    </message>
    <message>
        <source>单次</source>
        <translation>Single shot</translation>
    </message>
</context>
<context>
    <name>DirectParameters</name>
    <message>
        <source>无效代码 0x%1</source>
        <translation>Invalid code 0x%1</translation>
    </message>
</context>
<context>
    <name>IdentityCheck</name>
    <message>
        <source>文件无法打开</source>
        <translation>The file cannot be opened</translation>
    </message>
    <message>
        <source>文件中没有有效的供应商ID和设备ID</source>
        <translation>The file has no valid Vendor ID and Device ID</translation>
    </message>
    <message>
        <source>没有有效的 vendor / device id</source>
        <translation>no valid Vendor ID / Device ID</translation>
    </message>
    <message>
        <source>描述文件与 %1 上的设备不符：
文件: %2
设备: %3

仍要加载吗？</source>
        <translation>The device description does not match the device on %1:
File: %2
Device: %3

Load it anyway?</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>无法得知 %1 上设备的身份%2，不能确认描述文件是否适用：
文件: %3
设备: 未知

仍要加载吗？</source>
        <translation>The identity of the device on %1 cannot be learned%2, so whether the device description fits cannot be confirmed:
File: %3
Device: unknown

Load it anyway?</translation>
    </message>
</context>
<context>
    <name>Isdu</name>
    <message>
        <source>主站忙，指令冲突</source>
        <translation>Master busy, request conflict</translation>
    </message>
    <message>
        <source>指令不匹配</source>
        <translation>Request mismatch</translation>
    </message>
    <message>
        <source>指令类型错误</source>
        <translation>Wrong request type</translation>
    </message>
    <message>
        <source>设备通信失败</source>
        <translation>Device communication failed</translation>
    </message>
    <message>
        <source>端口不正确</source>
        <translation>Wrong port</translation>
    </message>
    <message>
        <source>数据长度错误</source>
        <translation>Wrong data length</translation>
    </message>
    <message>
        <source>从设备应答出错</source>
        <translation>Device answered with an error</translation>
    </message>
    <message>
        <source>非标准错误：返回值是：%1</source>
        <translation>Non-standard error: return value %1</translation>
    </message>
</context>
<context>
    <name>NumberText</name>
    <message>
        <source>超出范围 %1 … %2</source>
        <translation>Out of range %1 … %2</translation>
    </message>
    <message>
        <source>不是数字</source>
        <translation>Not a number</translation>
    </message>
    <message>
        <source>超出 Float32 范围</source>
        <translation>Out of the Float32 range</translation>
    </message>
</context>
<context>
    <name>ProcessDataTable</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
</context>
<context>
    <name>PortDeviceIdentity</name>
    <message>
        <source>适配器未连接</source>
        <translation>adapter not connected</translation>
    </message>
    <message>
        <source>适配器无应答</source>
        <translation>adapter not answering</translation>
    </message>
    <message>
        <source>端口上没有 IO-Link 设备：%1</source>
        <translation>no IO-Link device on the port: %1</translation>
    </message>
    <message>
        <source>端口上没有处于 IO-Link 运行状态的设备</source>
        <translation>no device in IO-Link operate on the port</translation>
    </message>
    <message>
        <source>设备没有回答直接参数页1</source>
        <translation>the device did not answer Direct Parameter Page 1</translation>
    </message>
</context>
<context>
    <name>PortEventLog</name>
    <message>
        <source>适配器无应答</source>
        <translation>Adapter not answering</translation>
    </message>
    <message>
        <source>Port%1 IO-Link 通信中断</source>
        <translation>Port%1 IO-Link communication lost</translation>
    </message>
    <message>
        <source>未定义的事件代码</source>
        <translation>Undefined event code</translation>
    </message>
    <message>
        <source>设备状态：%1</source>
        <translation>Device status: %1</translation>
    </message>
</context>
<context>
    <name>PortState</name>
    <message>
        <source>未激活</source>
        <translation>Inactive</translation>
    </message>
    <message>
        <source>IO-Link 启动中</source>
        <translation>IO-Link starting up</translation>
    </message>
    <message>
        <source>IO-Link 运行</source>
        <translation>IO-Link operate</translation>
    </message>
    <message>
        <source>通信中断</source>
        <translation>Communication lost</translation>
    </message>
    <message>
        <source>未知（适配器不报告端口状态，端口上没有运行中的 IO-Link 设备应答）</source>
        <translation>Unknown (the adapter does not report port states, and no IO-Link device in operate answers on the port)</translation>
    </message>
</context>
<context>
    <name>ProcessDataCodec</name>
    <message>
        <source>无数据</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>不在过程数据内</source>
        <translation>Not within the process data</translation>
    </message>
    <message>
        <source>不是布尔值</source>
        <translation>Not a Boolean</translation>
    </message>
    <message>
        <source>不是十六进制</source>
        <translation>Not hexadecimal</translation>
    </message>
</context>
<context>
    <name>ValueCodec</name>
    <message>
        <source>超出范围 %1 … %2</source>
        <translation>Out of range %1 … %2</translation>
    </message>
    <message>
        <source>应为以下之一：%1</source>
        <translation>Expected one of: %1</translation>
    </message>
    <message>
        <source>应为十六进制字节（0x…）</source>
        <translation>Expected hex octets (0x…)</translation>
    </message>
    <message>
        <source>超过 %1 个字节</source>
        <translation>Longer than %1 octets</translation>
    </message>
</context>
<context>
    <name>IsduConsole</name>
    <message>
        <source>ISDU功能</source>
        <translation>ISDU console</translation>
    </message>
    <message>
        <source>操作：</source>
        <translation>Operation:</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Index：</source>
        <translation>Index:</translation>
    </message>
    <message>
        <source>Subindex：</source>
        <translation>Subindex:</translation>
    </message>
    <message>
        <source>Length：</source>
        <translation>Length:</translation>
    </message>
    <message>
        <source>上次应答长度：–</source>
        <translation>Last response length: –</translation>
    </message>
    <message>
        <source>发 送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>无操作</source>
        <translation>No operation</translation>
    </message>
    <message>
        <source>清除数据</source>
        <translation>Clear data</translation>
    </message>
    <message>
        <source>写操作</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>读操作</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>操作 %1</source>
        <translation>Operation %1</translation>
    </message>
    <message>
        <source>，0 字节</source>
        <translation>, 0 bytes</translation>
    </message>
    <message>
        <source>，%1 字节：%2</source>
        <translation>, %1 bytes: %2</translation>
    </message>
    <message>
        <source>失败：%1（状态 %2）</source>
        <translation>Failed: %1 (status %2)</translation>
    </message>
    <message>
        <source>，设备错误 %1（未定义的错误码）</source>
        <translation>, device error %1 (undefined error code)</translation>
    </message>
    <message>
        <source>，设备错误 %1 %2</source>
        <translation>, device error %1 %2</translation>
    </message>
    <message>
        <source>无应答：适配器 %1 ms 后仍忙</source>
        <translation>No answer: the adapter is still busy after %1 ms</translation>
    </message>
    <message>
        <source>失败：收到的应答属于另一请求（%1 Port %2）</source>
        <translation>Failed: the response received belongs to another request (%1 Port %2)</translation>
    </message>
    <message>
        <source>失败：适配器没有应答（连接中断）</source>
        <translation>Failed: the adapter did not answer (connection lost)</translation>
    </message>
    <message>
        <source>成功，0 字节</source>
        <translation>Succeeded, 0 bytes</translation>
    </message>
    <message>
        <source>成功，%1 字节：%2</source>
        <translation>Succeeded, %1 bytes: %2</translation>
    </message>
    <message>
        <source>成功，已写入</source>
        <translation>Succeeded, written</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>Succeeded</translation>
    </message>
    <message>
        <source>0（自动）</source>
        <translation>0 (auto)</translation>
    </message>
    <message>
        <source>0：读取时接收设备发送的全部数据，写入时发送“发送”框中的全部字节</source>
        <translation>0: a read takes all the data the device sends; a write sends every byte in the “Send” box</translation>
    </message>
    <message>
        <source>上次应答长度：%1</source>
        <translation>Last response length: %1</translation>
    </message>
    <message>
        <source>未记入写入记录：%1</source>
        <translation>Not recorded in the write journal: %1</translation>
    </message>
</context>
<context>
    <name>IoddLibraryDialog</name>
    <message>
        <source>搜索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>当前选择：</source>
        <translation>Selected:</translation>
    </message>
    <message>
        <source>设备ID</source>
        <translation>Device ID</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>供应商ID</source>
        <translation>Vendor ID</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>内置描述文件不能删除：Port2、Port4、Port6、Port8 的参数和过程数据页面由它生成</source>
        <translation>The built-in device description cannot be deleted: the parameter and process data pages of Port2, Port4, Port6 and Port8 are built from it</translation>
    </message>
    <message>
        <source>添加IODD文件</source>
        <translation>Add IODD file</translation>
    </message>
    <message>
        <source>未添加 %1：%2</source>
        <translation>%1 not added: %2</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>是否删除
设备ID：%1
文件名：%2</source>
        <translation>Delete this file?
Device ID: %1
File name: %2</translation>
    </message>
    <message>
        <source>设备ID:%1</source>
        <translation>Device ID: %1</translation>
    </message>
    <message>
        <source>文件名::%1</source>
        <translation>File name: %1</translation>
    </message>
    <message>
        <source>加载IODD文件</source>
        <translation>Load IODD file</translation>
    </message>
    <message>
        <source>正在读取描述文件 %1/%2</source>
        <translation>Reading descriptions %1/%2</translation>
    </message>
    <message>
        <source>供应商</source>
        <translation>Vendor</translation>
    </message>
    <message>
        <source>产品名称</source>
        <translation>Product name</translation>
    </message>
    <message>
        <source>搜索：</source>
        <translation>Search:</translation>
    </message>
    <message>
        <source>设备ID、供应商或产品名称</source>
        <translation>Device ID, vendor or product name</translation>
    </message>
</context>
<context>
    <name>ParameterPage</name>
    <message>
        <source>%1 / %2 行</source>
        <translation>%1 / %2 rows</translation>
    </message>
    <message>
        <source>全部参数</source>
        <translation>All parameters</translation>
    </message>
    <message>
        <source>%1（索引 %2）</source>
        <translation>%1 (index %2)</translation>
    </message>
    <message>
        <source>索引</source>
        <translation>Index</translation>
    </message>
    <message>
        <source>搜索名称、描述、索引或数值</source>
        <translation>Search name, description, index or value</translation>
    </message>
    <message>
        <source>读（全部）</source>
        <translation>Read (all)</translation>
    </message>
    <message>
        <source>读（修改）</source>
        <translation>Read (modified)</translation>
    </message>
    <message>
        <source>写（修改）</source>
        <translation>Write (modified)</translation>
    </message>
    <message>
        <source>保存参数</source>
        <translation>Save parameters</translation>
    </message>
    <message>
        <source>载入参数</source>
        <translation>Load parameters</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>R/W</source>
        <translation>R/W</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>默认</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>描述</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>未写入的修改</source>
        <translation>Unwritten changes</translation>
    </message>
    <message>
        <source>%1 个修改过的值还没有写入设备。放弃这些修改吗？</source>
        <translation>%1 changed values have not been written to the device yet. Discard these changes?</translation>
    </message>
    <message>
        <source>适配器无应答</source>
        <translation>adapter not answering</translation>
    </message>
    <message>
        <source>设备未在 %1 ms 内应答</source>
        <translation>the device did not answer within %1 ms</translation>
    </message>
    <message>
        <source>邮箱应答不属于本请求</source>
        <translation>the mailbox response belongs to another request</translation>
    </message>
    <message>
        <source>已停止：读取了 %1 / %2 个值</source>
        <translation>Stopped: %1 of %2 values read</translation>
    </message>
    <message>
        <source>读取中断：%1</source>
        <translation>Read interrupted: %1</translation>
    </message>
    <message>
        <source>应答数据太短（%1 字节）</source>
        <translation>response data too short (%1 bytes)</translation>
    </message>
    <message>
        <source>读取完成：%1 个值</source>
        <translation>%1 values read</translation>
    </message>
    <message>
        <source>读取完成：%1 个值，%2 个失败（%3）</source>
        <translation>%1 values read, %2 failed (%3)</translation>
    </message>
    <message>
        <source>没有修改过的值</source>
        <translation>No changed values</translation>
    </message>
    <message>
        <source>没有要写入的修改</source>
        <translation>No changes to write</translation>
    </message>
    <message>
        <source>已写入 %1</source>
        <translation>Written: %1</translation>
    </message>
    <message>
        <source>写入被拒绝 %1</source>
        <translation>Write refused: %1</translation>
    </message>
    <message>
        <source>；已写入 %1</source>
        <translation>; written: %1</translation>
    </message>
    <message>
        <source>已修改，未写入</source>
        <translation>Changed, not written</translation>
    </message>
    <message>
        <source>读取中 %1 / %2</source>
        <translation>Reading %1 / %2</translation>
    </message>
    <message>
        <source>读取失败</source>
        <translation>Read failed</translation>
    </message>
    <message>
        <source>未接受 %1</source>
        <translation>Not accepted: %1</translation>
    </message>
    <message>
        <source>已发送 %1 (%2 = %3)</source>
        <translation>Sent %1 (%2 = %3)</translation>
    </message>
    <message>
        <source>%1 被拒绝：%2</source>
        <translation>%1 refused: %2</translation>
    </message>
    <message>
        <source>参数文件 (*.json);;所有文件 (*)</source>
        <translation>Parameter files (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>没有可保存的值：还没有从设备读到值</source>
        <translation>Nothing to save: no values have been read from the device yet</translation>
    </message>
    <message>
        <source>参数文件未保存：%1</source>
        <translation>Parameter file not saved: %1</translation>
    </message>
    <message>
        <source>已保存 %1 个值到 %2</source>
        <translation>Saved %1 values to %2</translation>
    </message>
    <message>
        <source>已保存 %1 个值到 %2；%3 个值没有读到，未保存</source>
        <translation>Saved %1 values to %2; %3 values were not read and are not saved</translation>
    </message>
    <message>
        <source>端口上没有运行中的设备：无法载入参数</source>
        <translation>No device in operate on the port: parameters cannot be loaded</translation>
    </message>
    <message>
        <source>无法读取参数文件：%1</source>
        <translation>The parameter file cannot be read: %1</translation>
    </message>
    <message>
        <source>无法读取参数文件。

%1</source>
        <translation>The parameter file cannot be read.

%1</translation>
    </message>
    <message>
        <source>参数文件属于另一种设备：%1</source>
        <translation>The parameter file belongs to another device: %1</translation>
    </message>
    <message>
        <source>这个参数文件是为另一种设备保存的，不能载入。

文件：%1
本端口：%2</source>
        <translation>This parameter file was saved for another device and cannot be loaded.

File: %1
This port: %2</translation>
    </message>
    <message>
        <source>不在当前角色的菜单中</source>
        <translation>not in the current role’s menus</translation>
    </message>
    <message>
        <source>已比较 %1：相同 %2，不同 %3，仅在文件中 %4；未写入</source>
        <translation>Compared %1: same %2, different %3, only in file %4; nothing written</translation>
    </message>
    <message>
        <source>；未写入 %1</source>
        <translation>; not written: %1</translation>
    </message>
    <message>
        <source>%1 已存在。要替换它吗？</source>
        <translation>%1 already exists. Replace it?</translation>
    </message>
    <message>
        <source>写入后存入数据存储</source>
        <translation>Store in Data Storage after writing</translation>
    </message>
    <message>
        <source>写入成功后发送 ParamDownloadStore，主站的数据存储随之更新；关闭时主站重启后可能把旧参数写回设备</source>
        <translation>After a successful write, send ParamDownloadStore so that the master's Data Storage follows; when off, a master restart may write the old parameters back into the device</translation>
    </message>
    <message>
        <source>设备拒绝了“%1”（%2），整组参数均未写入</source>
        <translation>The device refused “%1” (%2); none of the set was written</translation>
    </message>
    <message>
        <source>设备拒绝了这组参数（%1），均未写入</source>
        <translation>The device refused the set (%1); none of it was written</translation>
    </message>
    <message>
        <source>；已存入设备的数据存储</source>
        <translation>; stored in the device’s Data Storage</translation>
    </message>
    <message>
        <source>；未存入数据存储（已关闭）</source>
        <translation>; not stored in Data Storage (switched off)</translation>
    </message>
    <message>
        <source>；未能存入数据存储（%1）</source>
        <translation>; could not be stored in Data Storage (%1)</translation>
    </message>
    <message>
        <source>；设备不支持数据存储命令，主站重启后可能恢复旧参数</source>
        <translation>; the device does not take the Data Storage command: a master restart may restore the old parameters</translation>
    </message>
    <message>
        <source>；未记入写入记录：%1</source>
        <translation>; not recorded in the write journal: %1</translation>
    </message>
    <message>
        <source>（设备的参数写入已被访问锁锁定，索引 12）</source>
        <translation> (the device&apos;s parameter writes are locked by its access locks, index 12)</translation>
    </message>
    <message>
        <source>未写入：访问锁的更改已取消</source>
        <translation>Not written: the change of the access locks was cancelled</translation>
    </message>
</context>
<context>
    <name>BasicInfoPage</name>
    <message>
        <source>针脚</source>
        <translation>Pin</translation>
    </message>
    <message>
        <source>线色</source>
        <translation>Wire colour</translation>
    </message>
    <message>
        <source>功能</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>端口不是数字输入（%1）</source>
        <translation>The port is not a digital input (%1)</translation>
    </message>
    <message>
        <source>端口不是数字输出（%1）</source>
        <translation>The port is not a digital output (%1)</translation>
    </message>
    <message>
        <source>端口处于 IO-Link 模式：设备的输出过程数据在“Out port”页写入</source>
        <translation>The port is in IO-Link mode: the device’s output process data is written on the “Out port” page</translation>
    </message>
</context>
<context>
    <name>DeviceIdentityForm</name>
    <message>
        <source>产品名称</source>
        <translation>Product name</translation>
    </message>
    <message>
        <source>产品ID</source>
        <translation>Product ID</translation>
    </message>
    <message>
        <source>产品说明</source>
        <translation>Product text</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>供应商名称</source>
        <translation>Vendor name</translation>
    </message>
    <message>
        <source>供应商ID</source>
        <translation>Vendor ID</translation>
    </message>
    <message>
        <source>供应商说明</source>
        <translation>Vendor text</translation>
    </message>
    <message>
        <source>供应商网址</source>
        <translation>Vendor URL</translation>
    </message>
    <message>
        <source>设备ID</source>
        <translation>Device ID</translation>
    </message>
    <message>
        <source>IO-Link 版本</source>
        <translation>IO-Link revision</translation>
    </message>
    <message>
        <source>最小周期时间</source>
        <translation>Minimum cycle time</translation>
    </message>
    <message>
        <source>传输速率</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>SIO 模式</source>
        <translation>SIO mode</translation>
    </message>
    <message>
        <source>设备图标</source>
        <translation>Device icon</translation>
    </message>
    <message>
        <source>设备图片</source>
        <translation>Device picture</translation>
    </message>
    <message>
        <source>接口图片</source>
        <translation>Connection picture</translation>
    </message>
</context>
<context>
    <name>EventPage</name>
    <message>
        <source>报错时间</source>
        <translation>Raised</translation>
    </message>
    <message>
        <source>恢复时间</source>
        <translation>Cleared</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>异常</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>设备状态：%1（%2 读取）</source>
        <translation>Device status: %1 (read at %2)</translation>
    </message>
    <message>
        <source>设备状态：设备不提供（%1 读取）</source>
        <translation>Device status: not provided by the device (read at %1)</translation>
    </message>
</context>
<context>
    <name>ProcessDataInPage</name>
    <message>
        <source>数值已过时：%1 读取</source>
        <translation>Values are stale: read at %1</translation>
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
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>数值已过时：%1 秒前读取</source>
        <translation>Values are stale: read %1 s ago</translation>
    </message>
</context>
<context>
    <name>IoddLookupBar</name>
    <message>
        <source>打开IODD库…</source>
        <translation>Open IODD library…</translation>
    </message>
    <message>
        <source>在IODD库中查找设备</source>
        <translation>Find the device in the IODD library</translation>
    </message>
    <message>
        <source>没有可查找的IO-Link设备标识</source>
        <translation>No IO-Link device identity to look for</translation>
    </message>
    <message>
        <source>端口没有报告IO-Link设备标识</source>
        <translation>The port reports no IO-Link device identity</translation>
    </message>
    <message>
        <source>IODD库中没有 Vendor ID %1 / Device ID %2 的描述文件；可以在库中添加</source>
        <translation>The IODD library has no description for Vendor ID %1 / Device ID %2; add one to the library</translation>
    </message>
    <message>
        <source>IODD库中没有找到 Vendor ID %1 / Device ID %2 的描述文件</source>
        <translation>No device description for Vendor ID %1 / Device ID %2 found in the IODD library</translation>
    </message>
    <message>
        <source>已找到：%1</source>
        <translation>Found: %1</translation>
    </message>
    <message>
        <source>正在IODD库中查找…</source>
        <translation>Searching the IODD library…</translation>
    </message>
</context>
<context>
    <name>ProcessDataOutPage</name>
    <message>
        <source>写PD</source>
        <translation>Write PD</translation>
    </message>
    <message>
        <source>全False</source>
        <translation>All false</translation>
    </message>
    <message>
        <source>全True</source>
        <translation>All true</translation>
    </message>
    <message>
        <source>值范围 %1</source>
        <translation>Range %1</translation>
    </message>
    <message>
        <source>未记入写入记录：%1</source>
        <translation>Not recorded in the write journal: %1</translation>
    </message>
</context>
<context>
    <name>DigitalInputPanel</name>
    <message>
        <source>开始读取</source>
        <translation>Start reading</translation>
    </message>
    <message>
        <source>暂停读取</source>
        <translation>Pause reading</translation>
    </message>
</context>
<context>
    <name>DigitalOutputPanel</name>
    <message>
        <source>写PDOUT</source>
        <translation>Write PDOUT</translation>
    </message>
    <message>
        <source>未记入写入记录：%1</source>
        <translation>Not recorded in the write journal: %1</translation>
    </message>
</context>
<context>
    <name>VariantDialog</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>产品ID</source>
        <translation>Product ID</translation>
    </message>
    <message>
        <source>产品名称</source>
        <translation>Product name</translation>
    </message>
    <message>
        <source>产品图片</source>
        <translation>Product picture</translation>
    </message>
    <message>
        <source>产品Icon</source>
        <translation>Product icon</translation>
    </message>
    <message>
        <source>请先选择一个设备型号</source>
        <translation>Select a device variant first</translation>
    </message>
</context>
<context>
    <name>WriteConfirmation</name>
    <message>
        <source>写入输出</source>
        <translation>Write outputs</translation>
    </message>
    <message>
        <source>发送系统命令</source>
        <translation>Send a system command</translation>
    </message>
    <message>
        <source>将向 %1 上的设备 %2 写入输出：
%3

连接的执行器可能随即动作。确定写入吗？</source>
        <translation>About to write outputs to the device %2 on %1:
%3

Connected actuators may move at once. Write them?</translation>
    </message>
    <message>
        <source>将向 %1 上的设备 %2 发送系统命令：
%3

设备可能复位或丢失设置。确定发送吗？</source>
        <translation>About to send a system command to the device %2 on %1:
%3

The device may reset or lose its settings. Send it?</translation>
    </message>
    <message>
        <source>本次运行中不再询问输出的写入</source>
        <translation>Do not ask again about output writes while the tool runs</translation>
    </message>
    <message>
        <source>（未知）</source>
        <translation>(unknown)</translation>
    </message>
    <message>
        <source>更改访问锁</source>
        <translation>Change access locks</translation>
    </message>
    <message>
        <source>将更改 %1 上的设备 %2 的访问锁：
%3

锁定后设备会拒绝相应的写入或本地操作，直到再次解锁。确定更改吗？</source>
        <translation>About to change the access locks of the device %2 on %1:
%3

Locked, the device refuses the writes or local operations concerned until it is unlocked again. Change them?</translation>
    </message>
</context>
<context>
    <name>JournalDialog</name>
    <message>
        <source>%1 条记录（最多显示 %2 条），文件：%3</source>
        <translation>%1 records (at most %2 shown), file: %3</translation>
    </message>
    <message>
        <source>写入值</source>
        <translation>Written</translation>
    </message>
    <message>
        <source>写入前</source>
        <translation>Before</translation>
    </message>
    <message>
        <source>写入记录</source>
        <translation>Write journal</translation>
    </message>
    <message>
        <source>导出…</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>导出写入记录</source>
        <translation>Export the write journal</translation>
    </message>
    <message>
        <source>已导出到 %1</source>
        <translation>Exported to %1</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>种类</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>程序</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>索引</source>
        <translation>Index</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Outcome</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>还没有写入记录：%1</source>
        <translation>No writes recorded yet: %1</translation>
    </message>
</context>
<context>
    <name>ZipName</name>
    <message>
        <source>文件名不是有效的UTF-8</source>
        <translation>The file name is not valid UTF-8</translation>
    </message>
    <message>
        <source>文件名的编码无法识别（不是UTF-8）</source>
        <translation>The file name has an unknown encoding (not UTF-8)</translation>
    </message>
    <message>
        <source>条目没有名称</source>
        <translation>An entry has no name</translation>
    </message>
    <message>
        <source>绝对路径 &quot;%1&quot;</source>
        <translation>Absolute path &quot;%1&quot;</translation>
    </message>
    <message>
        <source>名称中有反斜杠 &quot;%1&quot;</source>
        <translation>Backslash in the name &quot;%1&quot;</translation>
    </message>
    <message>
        <source>名称中有盘符 &quot;%1&quot;</source>
        <translation>Drive letter in the name &quot;%1&quot;</translation>
    </message>
    <message>
        <source>名称中有控制字符 &quot;%1&quot;</source>
        <translation>Control character in the name &quot;%1&quot;</translation>
    </message>
    <message>
        <source>名称指向上级目录 &quot;%1&quot;</source>
        <translation>The name leads to a parent folder &quot;%1&quot;</translation>
    </message>
    <message>
        <source>名称不可用 &quot;%1&quot;</source>
        <translation>Unusable name &quot;%1&quot;</translation>
    </message>
</context>
<context>
    <name>ZipReader</name>
    <message>
        <source>不是zip压缩包（找不到中央目录）</source>
        <translation>Not a zip archive (no central directory found)</translation>
    </message>
    <message>
        <source>不支持Zip64压缩包</source>
        <translation>Zip64 archives are not supported</translation>
    </message>
    <message>
        <source>不支持分卷压缩包</source>
        <translation>Split archives are not supported</translation>
    </message>
    <message>
        <source>条目太多（%1 个，最多 %2 个）</source>
        <translation>Too many entries (%1, at most %2)</translation>
    </message>
    <message>
        <source>中央目录超出文件范围</source>
        <translation>The central directory lies beyond the end of the file</translation>
    </message>
    <message>
        <source>中央目录已损坏</source>
        <translation>The central directory is damaged</translation>
    </message>
    <message>
        <source>%1 已加密</source>
        <translation>%1 is encrypted</translation>
    </message>
    <message>
        <source>%1 是符号链接</source>
        <translation>%1 is a symbolic link</translation>
    </message>
    <message>
        <source>%1 不是普通文件</source>
        <translation>%1 is not a regular file</translation>
    </message>
    <message>
        <source>文件夹条目 %1 已损坏</source>
        <translation>The folder entry %1 is damaged</translation>
    </message>
    <message>
        <source>%1 的压缩方式（%2）不支持</source>
        <translation>The compression method of %1 (%2) is not supported</translation>
    </message>
    <message>
        <source>名称重复：%1</source>
        <translation>Duplicate name: %1</translation>
    </message>
    <message>
        <source>%1 解压后太大（%2 字节，最多 %3 字节）</source>
        <translation>%1 is too large when unpacked (%2 bytes, at most %3 bytes)</translation>
    </message>
    <message>
        <source>解压后的总大小超过 %1 字节</source>
        <translation>The unpacked files together exceed %1 bytes</translation>
    </message>
    <message>
        <source>%1 声明的大小不可能</source>
        <translation>The size %1 declares is impossible</translation>
    </message>
    <message>
        <source>%1 的本地文件头已损坏</source>
        <translation>The local header of %1 is damaged</translation>
    </message>
    <message>
        <source>%1 的数据超出文件范围</source>
        <translation>The data of %1 lies beyond the end of the file</translation>
    </message>
    <message>
        <source>%1 的本地文件头与中央目录不符</source>
        <translation>The local header of %1 does not match the central directory</translation>
    </message>
    <message>
        <source>%1 与 %2 的数据重叠</source>
        <translation>The data of %1 and %2 overlap</translation>
    </message>
    <message>
        <source>%1 无法解压（数据损坏或大小不符）</source>
        <translation>%1 cannot be unpacked (damaged data or wrong size)</translation>
    </message>
    <message>
        <source>%1 的CRC校验错误</source>
        <translation>%1 fails its CRC check</translation>
    </message>
</context>
<context>
    <name>IoddPackage</name>
    <message>
        <source>压缩包中没有IODD描述文件</source>
        <translation>The archive holds no IODD device description</translation>
    </message>
</context>
<context>
    <name>LibraryImport</name>
    <message>
        <source>库中已有同名文件 %1</source>
        <translation>The library already has a file named %1</translation>
    </message>
    <message>
        <source>库中已有同名文件</source>
        <translation>The library already has a file of that name</translation>
    </message>
    <message>
        <source>文件中没有有效的供应商ID和设备ID</source>
        <translation>The file has no valid Vendor ID and Device ID</translation>
    </message>
    <message>
        <source>无法复制 %1：%2</source>
        <translation>%1 cannot be copied: %2</translation>
    </message>
    <message>
        <source>无法复制图片 %1：%2</source>
        <translation>The picture %1 cannot be copied: %2</translation>
    </message>
    <message>
        <source>无法读取压缩包：%1</source>
        <translation>The archive cannot be read: %1</translation>
    </message>
    <message>
        <source>版本或文件名不能用作库中的文件夹名 &quot;%1&quot;</source>
        <translation>The version or file name cannot be used as the library folder name &quot;%1&quot;</translation>
    </message>
    <message>
        <source>文件名 &quot;%1&quot; 不能使用</source>
        <translation>The file name &quot;%1&quot; cannot be used</translation>
    </message>
    <message>
        <source>库中已有文件夹 %1</source>
        <translation>The library already has the folder %1</translation>
    </message>
    <message>
        <source>无法在IODD库中创建文件夹 %1</source>
        <translation>The folder %1 cannot be created in the IODD library</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>%1 cannot be written: %2</translation>
    </message>
</context>
<context>
    <name>MqttDialog</name>
    <message>
        <source>MQTT 发布</source>
        <translation>MQTT publishing</translation>
    </message>
    <message>
        <source>适配器序列号</source>
        <translation>the adapter's serial number</translation>
    </message>
    <message>
        <source>不保存</source>
        <translation>not saved</translation>
    </message>
    <message>
        <source>系统的 CA（仅 mqtts://）</source>
        <translation>the system's CAs (mqtts:// only)</translation>
    </message>
    <message>
        <source>允许代理写入参数和过程数据输出（经同样的检查并记入写入记录）</source>
        <translation>Allow the broker to write parameters and process data outputs (same checks, recorded in the write journal)</translation>
    </message>
    <message>
        <source>代理地址</source>
        <translation>Broker</translation>
    </message>
    <message>
        <source>客户端 ID</source>
        <translation>Client ID</translation>
    </message>
    <message>
        <source>主题前缀</source>
        <translation>Topic prefix</translation>
    </message>
    <message>
        <source>用户名</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>CA 文件</source>
        <translation>CA file</translation>
    </message>
    <message>
        <source>客户端证书</source>
        <translation>Client certificate</translation>
    </message>
    <message>
        <source>客户端密钥</source>
        <translation>Client key</translation>
    </message>
    <message>
        <source>开始发布</source>
        <translation>Start publishing</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>MqttPublishing</name>
    <message>
        <source>没有应答</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>代理地址无效：%1</source>
        <translation>Invalid broker address: %1</translation>
    </message>
    <message>
        <source>证书只用于 mqtts:// 代理</source>
        <translation>Certificates are for an mqtts:// broker only</translation>
    </message>
    <message>
        <source>客户端证书和密钥须一起给出</source>
        <translation>Client certificate and key go together</translation>
    </message>
    <message>
        <source>主题前缀不能为空，也不能含 # 或 +</source>
        <translation>The topic prefix must not be empty nor contain # or +</translation>
    </message>
    <message>
        <source>没有适配器连接</source>
        <translation>No adapter link</translation>
    </message>
    <message>
        <source>正在连接…</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>正在发布到 %1</source>
        <translation>Publishing to %1</translation>
    </message>
    <message>
        <source>与 %1 的连接中断（%2），正在重连</source>
        <translation>Connection to %1 lost (%2), reconnecting</translation>
    </message>
    <message>
        <source>%1 拒绝了连接：%2</source>
        <translation>%1 refused the connection: %2</translation>
    </message>
    <message>
        <source>无法连接 %1：%2</source>
        <translation>Cannot connect to %1: %2</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>正在停止…</source>
        <translation>Stopping…</translation>
    </message>
</context>
</TS>
