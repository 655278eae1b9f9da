<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ArchiveHistory</name>
    <message>
        <source>仪器上传</source>
        <translation>Uploaded from the instrument</translation>
    </message>
    <message>
        <source>现场试验</source>
        <translation>Field test</translation>
    </message>
</context>
<context>
    <name>ArchiveImport</name>
    <message>
        <source>导入已取消，未读完</source>
        <translation>Import cancelled before the end</translation>
    </message>
    <message>
        <source>是命名管道，不是文件，未读取</source>
        <translation>is a named pipe, not a file: not read</translation>
    </message>
    <message>
        <source>是设备文件，未读取</source>
        <translation>is a device file: not read</translation>
    </message>
    <message>
        <source>是套接字，未读取</source>
        <translation>is a socket: not read</translation>
    </message>
    <message>
        <source>不是普通文件，未读取</source>
        <translation>is not a regular file: not read</translation>
    </message>
    <message>
        <source>文件数超过 %1，未读取</source>
        <translation>more than %1 files: not read</translation>
    </message>
    <message>
        <source>无法访问（%1）</source>
        <translation>cannot be reached (%1)</translation>
    </message>
    <message>
        <source>链接断开或成环，未跟随</source>
        <translation>broken or looping link: not followed</translation>
    </message>
    <message>
        <source>链接指向文件夹之外，未读取</source>
        <translation>link points outside the folder: not read</translation>
    </message>
    <message>
        <source>链接指向文件夹，未跟随</source>
        <translation>link points to a folder: not followed</translation>
    </message>
    <message>
        <source>位于文件夹之外，未读取</source>
        <translation>lies outside the folder: not read</translation>
    </message>
    <message>
        <source>文件夹层次过深或重复，未进入</source>
        <translation>folders nested too deep or repeated: not entered</translation>
    </message>
    <message>
        <source>文件夹无法读取</source>
        <translation>the folder cannot be read</translation>
    </message>
    <message>
        <source>不是可读的数据文件或工作簿（%1）</source>
        <translation>not a readable data file or workbook (%1)</translation>
    </message>
    <message>
        <source>无法打开（%1）</source>
        <translation>cannot be opened (%1)</translation>
    </message>
    <message>
        <source>文件过大（%1 MB），不是测试记录，未读取</source>
        <translation>file too large (%1 MB) for test records: not read</translation>
    </message>
    <message>
        <source>文件正被其他程序写入，下次再导入</source>
        <translation>another program is writing the file: imported next time</translation>
    </message>
    <message>
        <source>文件正在写入，下次再导入</source>
        <translation>the file is being written: imported next time</translation>
    </message>
    <message>
        <source>文件在读取时被改动，下次再导入</source>
        <translation>the file changed while it was read: imported next time</translation>
    </message>
    <message>
        <source>设备编号</source>
        <translation>Device No.</translation>
    </message>
    <message>
        <source>第 %1 条记录未导入：%2</source>
        <translation>record %1 not imported: %2</translation>
    </message>
    <message>
        <source>……另有 %1 个</source>
        <translation>... and %1 more</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>ArchiveImportRun</name>
    <message>
        <source>正在把测试记录导入记录库…</source>
        <translation>Importing test records into the archive…</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>导入记录</source>
        <translation>Import records</translation>
    </message>
    <message>
        <source>导入进度</source>
        <translation>Import progress</translation>
    </message>
    <message>
        <source>正在取消导入…</source>
        <translation>Cancelling the import…</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>读取 %1 个文件、%2 条记录，新增 %3 条。</source>
        <translation>Read %1 files and %2 records, %3 of them new.</translation>
    </message>
    <message>
        <source>
导入已取消，已读取的记录已经存入。</source>
        <translation>
Import cancelled; the records read so far are stored.</translation>
    </message>
    <message>
        <source>
记录库不能写入：%1</source>
        <translation>
The archive cannot be written: %1</translation>
    </message>
    <message>
        <source>

跳过 %1 个：
</source>
        <translation>

Skipped %1:
</translation>
    </message>
</context>
<context>
    <name>ArchiveQueries</name>
    <message>
        <source>尚无试验记录</source>
        <translation>No test records yet</translation>
    </message>
    <message>
        <source>站名</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>间隔</source>
        <translation>Bay</translation>
    </message>
    <message>
        <source>相别</source>
        <translation>Phase</translation>
    </message>
    <message>
        <source>最近试验</source>
        <translation>Last test</translation>
    </message>
    <message>
        <source>比上次</source>
        <translation>Change since last</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>（未登记）</source>
        <translation>(not registered)</translation>
    </message>
</context>
<context>
    <name>ArchiveTool</name>
    <message>
        <source>记录库“%1”%2：%3
</source>
        <translation>Archive &quot;%1&quot; %2: %3
</translation>
    </message>
    <message>
        <source>不能写入</source>
        <translation>cannot be written</translation>
    </message>
    <message>
        <source>不能读取</source>
        <translation>cannot be read</translation>
    </message>
    <message>
        <source>只读</source>
        <translation>read-only</translation>
    </message>
    <message>
        <source>--archive: 缺少文件名 / missing file name
</source>
        <translation>--archive: missing file name
</translation>
    </message>
    <message>
        <source>未知命令 / unknown command: %1

</source>
        <translation>unknown command: %1

</translation>
    </message>
</context>
<context>
    <name>Assessment</name>
    <message>
        <source>不合格</source>
        <translation>Fail</translation>
    </message>
    <message>
        <source>注意</source>
        <translation>Attention</translation>
    </message>
    <message>
        <source>合格</source>
        <translation>Pass</translation>
    </message>
    <message>
        <source>无判据</source>
        <translation>No criteria</translation>
    </message>
    <message>
        <source>电阻值无法读取</source>
        <translation>the resistance cannot be read</translation>
    </message>
    <message>
        <source>超过限值 %1 uΩ</source>
        <translation>exceeds the limit of %1 uΩ</translation>
    </message>
    <message>
        <source>比%1高 %2</source>
        <translation>%2 above the %1</translation>
    </message>
    <message>
        <source>投运值</source>
        <translation>commissioning value</translation>
    </message>
    <message>
        <source>出厂值</source>
        <translation>factory value</translation>
    </message>
    <message>
        <source>比上次试验高 %1</source>
        <translation>%1 above the last test</translation>
    </message>
    <message>
        <source>上次试验电流为 %1 A，与本次不同，未作比较</source>
        <translation>the last test used %1 A, a different current: not compared</translation>
    </message>
    <message>
        <source>%1相比最低相高 %2</source>
        <translation>phase %1 is %2 above the lowest phase</translation>
    </message>
    <message>
        <source>没有限值、基准值、上次试验或同间隔其他相可比</source>
        <translation>no limit, baseline, last test or other phase of the bay to compare with</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>AssetColumns</name>
    <message>
        <source>站名</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>间隔</source>
        <translation>Bay</translation>
    </message>
    <message>
        <source>相别</source>
        <translation>Phase</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>厂家</source>
        <translation>Maker</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>出厂值(uΩ)</source>
        <translation>Factory value (uΩ)</translation>
    </message>
    <message>
        <source>投运值(uΩ)</source>
        <translation>Commissioning value (uΩ)</translation>
    </message>
    <message>
        <source>限值(uΩ)</source>
        <translation>Limit (uΩ)</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>基准倍数</source>
        <translation>Baseline factor</translation>
    </message>
    <message>
        <source>增长比例</source>
        <translation>Rise ratio</translation>
    </message>
    <message>
        <source>相间比例</source>
        <translation>Phase ratio</translation>
    </message>
</context>
<context>
    <name>AssetKinds</name>
    <message>
        <source>断路器</source>
        <translation>Circuit breaker</translation>
    </message>
    <message>
        <source>隔离开关</source>
        <translation>Disconnector</translation>
    </message>
    <message>
        <source>母线接头</source>
        <translation>Busbar joint</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
</context>
<context>
    <name>AssetRegister</name>
    <message>
        <source>%1“%2”不是普通的十进制数</source>
        <translation>%1 &quot;%2&quot; is not a plain decimal number</translation>
    </message>
    <message>
        <source>%1“%2”应大于 0</source>
        <translation>%1 &quot;%2&quot; must be greater than 0</translation>
    </message>
    <message>
        <source>%1“%2”超过 %3</source>
        <translation>%1 &quot;%2&quot; exceeds %3</translation>
    </message>
    <message>
        <source>设备编号为空</source>
        <translation>the device number is empty</translation>
    </message>
    <message>
        <source>设备编号</source>
        <translation>Device No.</translation>
    </message>
    <message>
        <source>出厂值</source>
        <translation>factory value</translation>
    </message>
    <message>
        <source>投运值</source>
        <translation>commissioning value</translation>
    </message>
    <message>
        <source>限值</source>
        <translation>limit</translation>
    </message>
    <message>
        <source>相别“%1”应为 A、B、C 或空</source>
        <translation>phase &quot;%1&quot; must be A, B, C or empty</translation>
    </message>
    <message>
        <source>类型“%1”应为%2之一或空</source>
        <translation>kind &quot;%1&quot; must be one of %2 or empty</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>设备“%1”：%2</source>
        <translation>Device &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>无法读取“%1”：%2</source>
        <translation>Cannot read &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>“%1”不是设备台账：表头“%2”不是台账的列</source>
        <translation>&quot;%1&quot; is not an asset register: the header &quot;%2&quot; is no column of the register</translation>
    </message>
    <message>
        <source>“%1”的表头“%2”出现了两次</source>
        <translation>the header &quot;%2&quot; appears twice in &quot;%1&quot;</translation>
    </message>
    <message>
        <source>“%1”不是设备台账：表头缺少“%2”</source>
        <translation>&quot;%1&quot; is not an asset register: the header lacks &quot;%2&quot;</translation>
    </message>
    <message>
        <source>“%1”的行数超过 %2</source>
        <translation>&quot;%1&quot; has more than %2 rows</translation>
    </message>
    <message>
        <source>第 %1 行：%2</source>
        <translation>row %1: %2</translation>
    </message>
    <message>
        <source>站名</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>间隔</source>
        <translation>Bay</translation>
    </message>
    <message>
        <source>基准倍数</source>
        <translation>Baseline factor</translation>
    </message>
    <message>
        <source>增长比例</source>
        <translation>Rise ratio</translation>
    </message>
    <message>
        <source>相间比例</source>
        <translation>Phase ratio</translation>
    </message>
</context>
<context>
    <name>AutoBackup</name>
    <message>
        <source>无法创建文件夹&apos;%1&apos;</source>
        <translation>Cannot create the folder &apos;%1&apos;</translation>
    </message>
    <message>
        <source>自动备份文件&apos;%1&apos;未能写入，记录仍在表格中，请另行保存。
%2</source>
        <translation>The automatic backup &apos;%1&apos; could not be written. The records are still in the table: please save them yourself.
%2</translation>
    </message>
    <message>
        <source>此名称是一个链接，备份不写入链接</source>
        <translation>this name is a link; backups are not written through links</translation>
    </message>
</context>
<context>
    <name>BayPhases</name>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1相</source>
        <translation>Phase %1</translation>
    </message>
</context>
<context>
    <name>BayPhasesTable</name>
    <message>
        <source>日期</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>%1相 %2</source>
        <translation>Phase %1 %2</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>%1 %2 各相</source>
        <translation>%1 %2 phases</translation>
    </message>
</context>
<context>
    <name>CmdExport</name>
    <message>
        <source>export: 需要一个 .xlsx 或 .csv 文件名 / expects one FILE.xlsx or FILE.csv
</source>
        <translation>export: expects one FILE.xlsx or FILE.csv
</translation>
    </message>
    <message>
        <source>记录库有 %1 条记录，超过一个工作表能容纳的 %2 行；请导出为 .csv / %1 records do not fit a worksheet of %2 rows: export FILE.csv
</source>
        <translation>%1 records do not fit a worksheet of %2 rows: export FILE.csv
</translation>
    </message>
    <message>
        <source>无法写入 / cannot write %1: %2
</source>
        <translation>cannot write %1: %2
</translation>
    </message>
    <message>
        <source>写出 %1 条记录 / wrote %1 records
</source>
        <translation>wrote %1 records
</translation>
    </message>
</context>
<context>
    <name>CmdImport</name>
    <message>
        <source>import: 缺少文件或文件夹 / missing PATH
</source>
        <translation>import: missing PATH
</translation>
    </message>
    <message>
        <source>读取 %1 个文件、%2 条记录，新增 %3 条 / read %1 files, %2 records, %3 new
</source>
        <translation>read %1 files, %2 records, %3 new
</translation>
    </message>
    <message>
        <source>跳过 %1 个 / skipped %1:
</source>
        <translation>skipped %1:
</translation>
    </message>
</context>
<context>
    <name>CmdJobFile</name>
    <message>
        <source>export-job: 用法 / usage: export-job 任务编号/JOB 文件/FILE.json
</source>
        <translation>export-job: usage: export-job JOB FILE.json
</translation>
    </message>
    <message>
        <source>import-job: 用法 / usage: import-job 文件/FILE.json
</source>
        <translation>import-job: usage: import-job FILE.json
</translation>
    </message>
</context>
<context>
    <name>CmdJobs</name>
    <message>
        <source>jobs: 不需要参数 / takes no arguments
</source>
        <translation>jobs: takes no arguments
</translation>
    </message>
</context>
<context>
    <name>CmdLog</name>
    <message>
        <source>log: N 须为正整数 / N must be a positive number
</source>
        <translation>log: N must be a positive number
</translation>
    </message>
    <message>
        <source>log: 最多一个参数 N / at most one argument N
</source>
        <translation>log: at most one argument N
</translation>
    </message>
    <message>
        <source>本机 / this laptop: %1 (%2)
</source>
        <translation>this laptop: %1 (%2)
</translation>
    </message>
</context>
<context>
    <name>CmdReport</name>
    <message>
        <source>report: 用法 / usage: report 任务编号/JOB --pdf 文件/FILE [--charts]
</source>
        <translation>report: usage: report JOB --pdf FILE [--charts]
</translation>
    </message>
</context>
<context>
    <name>CmdStatus</name>
    <message>
        <source>status: 不需要参数 / takes no arguments
</source>
        <translation>status: takes no arguments
</translation>
    </message>
</context>
<context>
    <name>CmdVerify</name>
    <message>
        <source>verify: 不需要参数 / takes no arguments
</source>
        <translation>verify: takes no arguments
</translation>
    </message>
    <message>
        <source>记录 %1 的内容与其标识不符 / record %1 does not match its identity
</source>
        <translation>record %1 does not match its identity
</translation>
    </message>
    <message>
        <source>检查了 %1 条记录，发现 %2 个问题 / checked %1 records, %2 problems
</source>
        <translation>checked %1 records, %2 problems
</translation>
    </message>
</context>
<context>
    <name>DataFile</name>
    <message>
        <source>没有能写下全部文字的编码</source>
        <translation>no encoding can hold all of the text</translation>
    </message>
    <message>
        <source>指定的文件沒有內容</source>
        <translation>The file has no content</translation>
    </message>
    <message>
        <source>錯誤</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>DataFileReader</name>
    <message>
        <source>无法读取指定的文件&apos;%1&apos;</source>
        <translation>Cannot read the file &apos;%1&apos;</translation>
    </message>
    <message>
        <source>无法读取指定的文件&apos;%1&apos;（%2）</source>
        <translation>Cannot read the file &apos;%1&apos; (%2)</translation>
    </message>
    <message>
        <source>指定的文件&apos;%1&apos;太大（超过%2 MB或%3条记录），无法打开</source>
        <translation>The file &apos;%1&apos; is too large (over %2 MB or %3 records) to open</translation>
    </message>
    <message>
        <source>指定的&apos;%1&apos;是文件夹，不是数据文件</source>
        <translation>&apos;%1&apos; is a folder, not a data file</translation>
    </message>
    <message>
        <source>指定的文件&apos;%1&apos;不是文本格式的测试数据文件</source>
        <translation>The file &apos;%1&apos; is not a test data file in text format</translation>
    </message>
    <message>
        <source>指定的文件&apos;%1&apos;不存在</source>
        <translation>The file &apos;%1&apos; does not exist</translation>
    </message>
</context>
<context>
    <name>FileExport</name>
    <message>
        <source>文件&apos;%1&apos;已经存在，要替换它吗？</source>
        <translation>The file &apos;%1&apos; already exists. Replace it?</translation>
    </message>
    <message>
        <source>保存文件&apos;%1&apos;失败，原有的文件没有改动。
%2</source>
        <translation>Saving &apos;%1&apos; failed; the existing file is unchanged.
%2</translation>
    </message>
    <message>
        <source>导出文件</source>
        <translation>Export file</translation>
    </message>
    <message>
        <source>正在导出“%1”…</source>
        <translation>Exporting “%1”…</translation>
    </message>
    <message>
        <source>导出进度</source>
        <translation>Export progress</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>正在取消导出…</source>
        <translation>Cancelling the export…</translation>
    </message>
</context>
<context>
    <name>HistoryChart</name>
    <message>
        <source>设备历史 %1</source>
        <translation>Device history %1</translation>
    </message>
    <message>
        <source>限值 %1 uΩ</source>
        <translation>Limit %1 uΩ</translation>
    </message>
    <message>
        <source>测试时间</source>
        <translation>Test time</translation>
    </message>
    <message>
        <source>(无档位)</source>
        <translation>(no step)</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>较首次</source>
        <translation>Change since first</translation>
    </message>
    <message>
        <source>较上次</source>
        <translation>Change since last</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>时间和电阻无法识别，未计入曲线</source>
        <translation>time and resistance unreadable: not in the curve</translation>
    </message>
    <message>
        <source>时间无法识别，未计入曲线</source>
        <translation>time unreadable: not in the curve</translation>
    </message>
    <message>
        <source>电阻无法识别，未计入曲线</source>
        <translation>resistance unreadable: not in the curve</translation>
    </message>
    <message>
        <source>当前表格</source>
        <translation>Current table</translation>
    </message>
    <message>
        <source>无法写入文件</source>
        <translation>Cannot write the file</translation>
    </message>
    <message>
        <source>无法写入文件（%1）</source>
        <translation>Cannot write the file (%1)</translation>
    </message>
    <message>
        <source>设备历史 %1 %2.%3</source>
        <translation>Device history %1 %2.%3</translation>
    </message>
</context>
<context>
    <name>JobExchange</name>
    <message>
        <source>新增试验任务</source>
        <translation>New test job added</translation>
    </message>
    <message>
        <source>更新了试验任务（本机为编制中，文件中的较新）</source>
        <translation>Test job updated (a draft here, newer in the file)</translation>
    </message>
    <message>
        <source>试验任务已在记录库中</source>
        <translation>The test job is already in the archive</translation>
    </message>
    <message>
        <source>%1；新增记录 %2 条，新增设备台账 %3 台。</source>
        <translation>%1; %2 new records, %3 new assets in the register.</translation>
    </message>
    <message>
        <source>读不出试验任务（%1）。</source>
        <translation>Cannot read the test jobs (%1).</translation>
    </message>
    <message>
        <source>读不出试验任务的记录（%1）。</source>
        <translation>Cannot read the test job&apos;s records (%1).</translation>
    </message>
    <message>
        <source>文件“%1”不能写入（%2）。</source>
        <translation>The file &quot;%1&quot; cannot be written (%2).</translation>
    </message>
    <message>
        <source>文件“%1”不能读取（%2）。</source>
        <translation>The file &quot;%1&quot; cannot be read (%2).</translation>
    </message>
    <message>
        <source>不是试验任务文件（%1，第 %2 字节）。</source>
        <translation>Not a test job file (%1, at byte %2).</translation>
    </message>
    <message>
        <source>不是试验任务文件（format 不是“%1”）。</source>
        <translation>Not a test job file (format is not &quot;%1&quot;).</translation>
    </message>
    <message>
        <source>试验任务文件的版本 %1 不能读取（本程序读取版本 %2）。</source>
        <translation>Version %1 of the test job file cannot be read (this program reads version %2).</translation>
    </message>
    <message>
        <source>试验任务文件缺少任务的标识、编号或状态。</source>
        <translation>The test job file lacks the job&apos;s identity, number or state.</translation>
    </message>
    <message>
        <source>试验任务文件中的设备台账有误：%1</source>
        <translation>The asset register in the test job file is wrong: %1</translation>
    </message>
    <message>
        <source>试验任务文件中有缺少标识的记录。</source>
        <translation>The test job file holds a record without identity.</translation>
    </message>
    <message>
        <source>任务编号“%1”已被本机另一个任务使用。</source>
        <translation>The job number &quot;%1&quot; is used by another job on this laptop.</translation>
    </message>
    <message>
        <source>记录库不能写入（%1）。</source>
        <translation>The archive cannot be written (%1).</translation>
    </message>
    <message>
        <source>任务已导入，设备台账未能写入：%1</source>
        <translation>The job is imported, but the asset register could not be written: %1</translation>
    </message>
</context>
<context>
    <name>JobKinds</name>
    <message>
        <source>交接试验</source>
        <translation>Acceptance test</translation>
    </message>
    <message>
        <source>例行试验</source>
        <translation>Routine test</translation>
    </message>
    <message>
        <source>诊断性试验</source>
        <translation>Diagnostic test</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
</context>
<context>
    <name>JobModels</name>
    <message>
        <source>任务编号</source>
        <translation>Job No.</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Revision</translation>
    </message>
    <message>
        <source>站名</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>试验性质</source>
        <translation>Test kind</translation>
    </message>
    <message>
        <source>开始日期</source>
        <translation>Start date</translation>
    </message>
    <message>
        <source>结束日期</source>
        <translation>End date</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>第 %1 版</source>
        <translation>revision %1</translation>
    </message>
    <message>
        <source>间隔</source>
        <translation>Bay</translation>
    </message>
    <message>
        <source>相别</source>
        <translation>Phase</translation>
    </message>
    <message>
        <source>测试时间</source>
        <translation>Test time</translation>
    </message>
    <message>
        <source>电流</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>电阻</source>
        <translation>Resistance</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>出厂编号</source>
        <translation>Serial No.</translation>
    </message>
    <message>
        <source>校准证书编号</source>
        <translation>Calibration certificate No.</translation>
    </message>
    <message>
        <source>校准日期</source>
        <translation>Calibrated on</translation>
    </message>
    <message>
        <source>有效期至</source>
        <translation>Valid until</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>上次试验</source>
        <translation>Last test</translation>
    </message>
    <message>
        <source>周期(月)</source>
        <translation>Interval (months)</translation>
    </message>
    <message>
        <source>下次试验</source>
        <translation>Next test</translation>
    </message>
    <message>
        <source>未试验</source>
        <translation>Not tested</translation>
    </message>
</context>
<context>
    <name>JobReport</name>
    <message>
        <source>回路电阻试验报告</source>
        <translation>Contact Resistance Test Report</translation>
    </message>
    <message>
        <source>（以下空白）</source>
        <translation>(The rest of this page is intentionally blank)</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>无可绘制的记录</source>
        <translation>No records to plot</translation>
    </message>
    <message>
        <source>回路电阻(μΩ)</source>
        <translation>Contact resistance (μΩ)</translation>
    </message>
    <message>
        <source>草稿</source>
        <translation>DRAFT</translation>
    </message>
    <message>
        <source>报告编号：%1</source>
        <translation>Report no.: %1</translation>
    </message>
    <message>
        <source>第 %1 页 共 %2 页</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>第 %1 行：%2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>未知的段“%1”</source>
        <translation>unknown section &quot;%1&quot;</translation>
    </message>
    <message>
        <source>段“%1”重复</source>
        <translation>section &quot;%1&quot; appears twice</translation>
    </message>
    <message>
        <source>段“%1”中没有字段“%2”</source>
        <translation>section &quot;%1&quot; has no field &quot;%2&quot;</translation>
    </message>
    <message>
        <source>“{{”与“}}”不成对</source>
        <translation>&quot;{{&quot; and &quot;}}&quot; do not pair</translation>
    </message>
    <message>
        <source>缺少段“%1”</source>
        <translation>section &quot;%1&quot; is missing</translation>
    </message>
    <message>
        <source>不是 UTF-8 编码的文本</source>
        <translation>not text in UTF-8</translation>
    </message>
    <message>
        <source>报告模板“%1”有误（%2），已改用内置模板。</source>
        <translation>The report template &quot;%1&quot; is wrong (%2); the built-in template is used instead.</translation>
    </message>
    <message>
        <source>PDF文件“%1”不能写入（%2）。</source>
        <translation>The PDF file &quot;%1&quot; cannot be written (%2).</translation>
    </message>
</context>
<context>
    <name>JobReportContent</name>
    <message>
        <source>投运 %1</source>
        <translation>commissioning %1</translation>
    </message>
    <message>
        <source>出厂 %1</source>
        <translation>factory %1</translation>
    </message>
    <message>
        <source>记录库中没有试验任务“%1”。</source>
        <translation>The archive has no test job &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>不大于设备的限值</source>
        <translation>Not above the asset&apos;s limit</translation>
    </message>
    <message>
        <source>超过为“不合格”</source>
        <translation>Above it: &quot;Fail&quot;</translation>
    </message>
    <message>
        <source>不大于出厂值的 %1 倍</source>
        <translation>Not above %1 times the factory value</translation>
    </message>
    <message>
        <source>超过为“注意”（有投运值时以投运值为基准）</source>
        <translation>Above it: &quot;Attention&quot; (the commissioning value is the baseline where there is one)</translation>
    </message>
    <message>
        <source>较上次增长不超过 %1</source>
        <translation>Rise since the last test not above %1</translation>
    </message>
    <message>
        <source>超过为“注意”（同一试验电流比较）</source>
        <translation>Above it: &quot;Attention&quot; (compared at the same test current)</translation>
    </message>
    <message>
        <source>三相最大值不超过最小值的 %1 倍</source>
        <translation>Highest of the three phases not above %1 times the lowest</translation>
    </message>
    <message>
        <source>超过为“注意”（同一间隔、同一天、同一试验电流）</source>
        <translation>Above it: &quot;Attention&quot; (same bay, same day, same test current)</translation>
    </message>
    <message>
        <source>试验</source>
        <translation>Tested</translation>
    </message>
    <message>
        <source>审核</source>
        <translation>Checked</translation>
    </message>
    <message>
        <source>批准</source>
        <translation>Approved</translation>
    </message>
</context>
<context>
    <name>KeyLimits</name>
    <message>
        <source>%1有 %2 个字符，超过上限 %3 个</source>
        <translation>%1 has %2 characters, more than the %3 allowed</translation>
    </message>
</context>
<context>
    <name>Ohmara</name>
    <message>
        <source>回路电阻测试仪2.1</source>
        <translation>Loop Resistance Tester 2.1</translation>
    </message>
</context>
<context>
    <name>OverviewModel</name>
    <message>
        <source>（未登记）</source>
        <translation>(not registered)</translation>
    </message>
    <message>
        <source>未试验</source>
        <translation>Not tested</translation>
    </message>
    <message>
        <source>站名 / 间隔 / </source>
        <translation>Station / bay / </translation>
    </message>
    <message>
        <source>相别</source>
        <translation>Phase</translation>
    </message>
    <message>
        <source>最近试验</source>
        <translation>Last test</translation>
    </message>
    <message>
        <source>下次试验</source>
        <translation>Next test</translation>
    </message>
    <message>
        <source>比上次</source>
        <translation>Change since last</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
</context>
<context>
    <name>ProfileFile</name>
    <message>
        <source>文件超过%1 MB</source>
        <translation>the file is larger than %1 MB</translation>
    </message>
    <message>
        <source>文件未能读取，不予覆盖：%1</source>
        <translation>the file could not be read and is not overwritten: %1</translation>
    </message>
</context>
<context>
    <name>ProgramArchive</name>
    <message>
        <source>

是否建立新的记录库？损坏的文件会改名保留在原文件夹中，测试记录文件夹中的数据文件和工作簿（包括自动备份）会重新导入新的记录库，台账中能读出的设备也会转入。</source>
        <translation>

Create a new archive? The damaged file is kept under a new name in its folder; the data files and workbooks in the test record folder (automatic backups included) are imported into the new archive again, and the assets that can be read from the register are carried over.</translation>
    </message>
    <message>
        <source>记录库没有重建：%1</source>
        <translation>The archive was not rebuilt: %1</translation>
    </message>
    <message>
        <source>已建立新的记录库，从测试记录文件夹导入 %1 条记录。
损坏的文件保留为“%2”。</source>
        <translation>A new archive was created with %1 records imported from the test record folder.
The damaged file is kept as &quot;%2&quot;.</translation>
    </message>
</context>
<context>
    <name>RecordArchive</name>
    <message>
        <source>另一个程序正在写入记录库，稍后会再试（%1）。</source>
        <translation>Another program is writing the archive; the program tries again later (%1).</translation>
    </message>
    <message>
        <source>记录库的文件不允许写入（%1）。</source>
        <translation>The archive&apos;s files may not be written (%1).</translation>
    </message>
    <message>
        <source>没有写入“%1”的权限，请给它写权限（%2）。</source>
        <translation>No permission to write &quot;%1&quot;: give it write permission (%2).</translation>
    </message>
    <message>
        <source>”、“</source>
        <translation>&quot;, &quot;</translation>
    </message>
    <message>
        <source>磁盘已满，记录没有存入；腾出空间后，下一次存入时会再试（%1）。</source>
        <translation>The disk is full and the records were not stored; once there is room, the next store tries again (%1).</translation>
    </message>
    <message>
        <source>读写记录库的文件时出错，下一次存入时会再试（%1）。</source>
        <translation>Reading or writing the archive&apos;s files failed; the next store tries again (%1).</translation>
    </message>
    <message>
        <source>记录库文件已损坏，程序不会再写入它（%1）。</source>
        <translation>The archive file is damaged; the program will not write it again (%1).</translation>
    </message>
    <message>
        <source>文件已损坏或不是记录库，程序不会改动它（%1）。</source>
        <translation>The file is damaged or is no archive; the program will not change it (%1).</translation>
    </message>
    <message>
        <source>记录库不能写入（%1）。</source>
        <translation>The archive cannot be written (%1).</translation>
    </message>
    <message>
        <source>测试、上传、保存、打开和打印照常工作，自动备份文件照常写入。</source>
        <translation>Testing, uploading, saving, opening and printing work as usual, and automatic backups are still written.</translation>
    </message>
    <message>
        <source>记录库（%1）暂时不能使用：%2

%3</source>
        <translation>The archive (%1) cannot be used for now: %2

%3</translation>
    </message>
    <message>
        <source>记录库（%1）不能使用：%2

%3</source>
        <translation>The archive (%1) cannot be used: %2

%3</translation>
    </message>
    <message>
        <source>没有写入“%1”的权限：请给它写权限，或在没有程序使用记录库时删除它。</source>
        <translation>No permission to write &quot;%1&quot;: give it write permission, or delete it while no program uses the archive.</translation>
    </message>
    <message>
        <source> 损坏 </source>
        <translation> damaged </translation>
    </message>
    <message>
        <source>不能把“%1”改名为“%2”（%3）。</source>
        <translation>Cannot rename &quot;%1&quot; to &quot;%2&quot; (%3).</translation>
    </message>
    <message>
        <source>“%1”不是普通文件。</source>
        <translation>&quot;%1&quot; is not a regular file.</translation>
    </message>
    <message>
        <source>没有读取“%1”的权限。</source>
        <translation>No permission to read &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>没有写入“%1”的权限（文件只读），新的记录不会存入；给它写权限后，下一次存入时会再试。</source>
        <translation>No permission to write &quot;%1&quot; (the file is read-only): new records are not stored. Give it write permission and the next store tries again.</translation>
    </message>
    <message>
        <source>记录库尚未建立。</source>
        <translation>The archive does not exist yet.</translation>
    </message>
    <message>
        <source>记录库由较新版本的程序建立，本程序只读取其中的记录，不会改动它。</source>
        <translation>The archive was made by a newer version of the program: this one only reads its records and will not change it.</translation>
    </message>
    <message>
        <source>记录库是空的。</source>
        <translation>The archive is empty.</translation>
    </message>
    <message>
        <source>文件不是本程序的记录库，程序不会改动它。</source>
        <translation>The file is not this program&apos;s archive; the program will not change it.</translation>
    </message>
    <message>
        <source>无法建立或升级记录库（%1）。</source>
        <translation>Cannot create or upgrade the archive (%1).</translation>
    </message>
    <message>
        <source>记录库不能写入。</source>
        <translation>The archive cannot be written.</translation>
    </message>
</context>
<context>
    <name>RecordColumns</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>设备编号</source>
        <translation>Device No.</translation>
    </message>
    <message>
        <source>测试人员</source>
        <translation>Tester</translation>
    </message>
    <message>
        <source>测试地点</source>
        <translation>Location</translation>
    </message>
    <message>
        <source>测试档位</source>
        <translation>Test current</translation>
    </message>
    <message>
        <source>载流时间</source>
        <translation>Load time</translation>
    </message>
    <message>
        <source>测试电阻</source>
        <translation>Resistance</translation>
    </message>
</context>
<context>
    <name>ReportVendors</name>
    <message>
        <source>青岚川电测仪器有限公司</source>
        <translation>Qinglanchuan Electrical Test Instruments Co., Ltd.</translation>
    </message>
    <message>
        <source>电话：0571-5550-3817    网址：www.qinglanchuan.example</source>
        <translation>Tel: +86 571-5550-3817    Web: www.qinglanchuan.example</translation>
    </message>
    <message>
        <source>北溟岭电力检测设备有限公司</source>
        <translation>Beiminling Power Test Equipment Co., Ltd.</translation>
    </message>
    <message>
        <source>电话：027-5550-6420  027-5550-6421    网址：www.beiminling.example</source>
        <translation>Tel: +86 27-5550-6420  +86 27-5550-6421    Web: www.beiminling.example</translation>
    </message>
</context>
<context>
    <name>SyncChanges</name>
    <message>
        <source>%1 个字符：%2</source>
        <translation>%1 characters: %2</translation>
    </message>
    <message>
        <source>已批准的版本不能修改，本机的修改作废，以服务器上的为准（%1）</source>
        <translation>An approved revision cannot be changed: this laptop&apos;s change is dropped and the server&apos;s stands (%1)</translation>
    </message>
    <message>
        <source>本机记录库未收下服务器上的这一行：%1</source>
        <translation>The local archive did not take this row from the server: %1</translation>
    </message>
</context>
<context>
    <name>SyncCommands</name>
    <message>
        <source>无法识别的连接参数 / unreadable connection: %1
</source>
        <translation>unreadable connection: %1
</translation>
    </message>
    <message>
        <source>连接参数中不能写密码（其他用户可在进程列表中看到）；请写入 ~/.pgpass（或 PGPASSFILE 指定的文件），或不写密码、由本工具询问 / a password in CONNECTION shows in the process list: put it in ~/.pgpass (or PGPASSFILE), or leave it out and type it when asked
</source>
        <translation>a password in CONNECTION shows in the process list: put it in ~/.pgpass (or PGPASSFILE), or leave it out and type it when asked
</translation>
    </message>
    <message>
        <source>服务器 %1 用户 %2 的密码 / password: </source>
        <translation>password of user %2 on server %1: </translation>
    </message>
    <message>
        <source>用户 %1 无权建立数据库（CREATEDB）：%2</source>
        <translation>user %1 may not create databases (CREATEDB): %2</translation>
    </message>
    <message>
        <source>已建立数据库 / created database %1
</source>
        <translation>created database %1
</translation>
    </message>
    <message>
        <source>用法 / usage: sync [--server CONNECTION]
</source>
        <translation>usage: sync [--server CONNECTION]
</translation>
    </message>
    <message>
        <source>没有设置同步服务器（设置文件 %1 的 [%2] 一节，或 --server）/ no server is named: add a [%2] section to the settings file, or give --server
</source>
        <translation>no server is named: add a [%2] section to the settings file %1, or give --server
</translation>
    </message>
    <message>
        <source>用法 / usage: %1 CONNECTION
</source>
        <translation>usage: %1 CONNECTION
</translation>
    </message>
    <message>
        <source>服务器尚未建立记录库，请先运行 init-server / the server is not set up: run init-server first
</source>
        <translation>the server is not set up: run init-server first
</translation>
    </message>
    <message>
        <source>服务器记录库已是版本 %1，未作改动 / already at version %1
</source>
        <translation>the server&apos;s archive is already at version %1: nothing changed
</translation>
    </message>
    <message>
        <source>服务器记录库版本 %1 → %2 / server schema upgraded from version %1 to %2
</source>
        <translation>server schema upgraded from version %1 to %2
</translation>
    </message>
</context>
<context>
    <name>SyncControl</name>
    <message>
        <source>同步</source>
        <translation>Sync</translation>
    </message>
    <message>
        <source>与记录服务器交换记录、设备台账和判据</source>
        <translation>Exchange records, the asset register and criteria with the record server</translation>
    </message>
    <message>
        <source>同步记录…</source>
        <translation>Sync log…</translation>
    </message>
    <message>
        <source>查看同步的完成、出错和被覆盖的修改</source>
        <translation>Completed syncs, errors and overwritten changes</translation>
    </message>
    <message>
        <source>同步进度</source>
        <translation>Sync progress</translation>
    </message>
    <message>
        <source>服务器 %1 用户 %2 的密码：</source>
        <translation>Password of user %2 on server %1:</translation>
    </message>
    <message>
        <source>同步记录 — 本机 %1</source>
        <translation>Sync log — this laptop %1</translation>
    </message>
    <message>
        <source>时间（UTC）</source>
        <translation>Time (UTC)</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>对象</source>
        <translation>Subject</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>同步记录</source>
        <translation>Sync log</translation>
    </message>
</context>
<context>
    <name>SyncLog</name>
    <message>
        <source>被覆盖</source>
        <translation>Overwritten</translation>
    </message>
    <message>
        <source>出错</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>本机 %1</source>
        <translation>this laptop %1</translation>
    </message>
    <message>
        <source>被拒收</source>
        <translation>refused</translation>
    </message>
</context>
<context>
    <name>SyncMessages</name>
    <message>
        <source>没有设置同步服务器（设置文件的 [%1] 一节）。</source>
        <translation>No sync server is set (the [%1] section of the settings file).</translation>
    </message>
    <message>
        <source>本机记录库 %1 不存在。</source>
        <translation>The local archive %1 does not exist.</translation>
    </message>
    <message>
        <source>本机记录库无法打开：%1</source>
        <translation>The local archive cannot be opened: %1</translation>
    </message>
    <message>
        <source>无法写入本机记录库：%1</source>
        <translation>Cannot write the local archive: %1</translation>
    </message>
    <message>
        <source>缺少 PostgreSQL 数据库驱动（libqt6sql6-psql）。</source>
        <translation>The PostgreSQL database driver is missing (libqt6sql6-psql).</translation>
    </message>
    <message>
        <source>无法连接服务器 %1：%2</source>
        <translation>Cannot connect to the server %1: %2</translation>
    </message>
    <message>
        <source>与服务器的连接中断：%1</source>
        <translation>The connection to the server was lost: %1</translation>
    </message>
    <message>
        <source>服务器上有未完成的事务（或表被锁定），同步等待 %1 秒后放弃（%2）。已完成的部分已保存，请稍后再同步。</source>
        <translation>A transaction on the server is still open (or a table is locked); the sync gave up after waiting %1 seconds (%2). What was done is saved: please sync again later.</translation>
    </message>
    <message>
        <source>服务器上的语句超时，同步已放弃（%1）。已完成的部分已保存，请稍后再同步。</source>
        <translation>A statement on the server timed out and the sync gave up (%1). What was done is saved: please sync again later.</translation>
    </message>
    <message>
        <source>服务器拒绝了同步：%1</source>
        <translation>The server refused the sync: %1</translation>
    </message>
    <message>
        <source>用户 %1 没有读取服务器记录的权限。</source>
        <translation>User %1 may not read the server&apos;s records.</translation>
    </message>
    <message>
        <source>同步已取消；已完成的部分已保存，下次同步继续。</source>
        <translation>Sync cancelled; what was done is saved and the next sync carries on.</translation>
    </message>
    <message>
        <source>无法读取服务器的数据库版本：%1</source>
        <translation>Cannot read the server&apos;s database version: %1</translation>
    </message>
    <message>
        <source>服务器尚未建立记录库，请先运行 ohmara-archive init-server。</source>
        <translation>The server has no archive yet: run ohmara-archive init-server first.</translation>
    </message>
    <message>
        <source>服务器的数据库版本（%1）比本程序旧，请管理员运行 ohmara-archive upgrade-server。</source>
        <translation>The server&apos;s database version (%1) is older than this program&apos;s: have an administrator run ohmara-archive upgrade-server.</translation>
    </message>
    <message>
        <source>服务器的数据库版本（%1）比本程序（%2）新，请升级本程序。</source>
        <translation>The server&apos;s database version (%1) is newer than this program&apos;s (%2): please upgrade this program.</translation>
    </message>
    <message>
        <source>服务器的数据库版本（%1）比本程序（%2）新，未作改动。</source>
        <translation>The server&apos;s database version (%1) is newer than this program&apos;s (%2); nothing changed.</translation>
    </message>
    <message>
        <source>服务器要求密码，但 ~/.pgpass（或 PGPASSFILE 指定的文件）中没有这个用户的密码。</source>
        <translation>The server asks for a password, but ~/.pgpass (or the file PGPASSFILE names) has none for this user.</translation>
    </message>
    <message>
        <source>服务器拒绝了登录（密码、用户名或 pg_hba.conf 的规则）。</source>
        <translation>The server refused the login (password, user name or the rules of pg_hba.conf).</translation>
    </message>
    <message>
        <source>服务器上没有这个数据库：请检查数据库名，或由管理员运行 ohmara-archive init-server。</source>
        <translation>The server has no such database: check the database name, or have an administrator run ohmara-archive init-server.</translation>
    </message>
    <message>
        <source>这个用户无权连接这个数据库。</source>
        <translation>This user may not connect to this database.</translation>
    </message>
</context>
<context>
    <name>SyncRecords</name>
    <message>
        <source>记录 %1</source>
        <translation>record %1</translation>
    </message>
    <message>
        <source>设备 %1（%2 个字符），%3：%4</source>
        <translation>device %1 (%2 characters), %3: %4</translation>
    </message>
    <message>
        <source>%1 于 %2 从服务器删除了这条记录，本机随之删除：%3</source>
        <translation>%1 deleted this record from the server at %2, so it is deleted here too: %3</translation>
    </message>
</context>
<context>
    <name>SyncSession</name>
    <message>
        <source>服务器不是上次同步的那一台，或已恢复到较早的状态：本机的记录和修改全部重新上传（服务器缺少的才会收下），服务器的内容从头取回。</source>
        <translation>The server is not the one of the last sync, or was restored to an earlier state: all of this laptop&apos;s records and changes are uploaded again (the server takes only what it lacks), and the server&apos;s content is fetched from the start.</translation>
    </message>
    <message>
        <source>%1 于 %2 的修改（%3）被 %4 于 %5 的修改覆盖</source>
        <translation>The change by %1 at %2 (%3) was overwritten by the change by %4 at %5</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>服务器拒收，已搁置（其余照常上传）：%1</source>
        <translation>Refused by the server and set aside (the rest uploads as usual): %1</translation>
    </message>
    <message>
        <source>上传记录 %1 条，取回记录 %2 条；台账上传 %3 行，取回 %4 行；判据上传 %5 行，取回 %6 行；被覆盖的修改 %7 处。</source>
        <translation>%1 records uploaded, %2 fetched; %3 register rows uploaded, %4 fetched; %5 criteria rows uploaded, %6 fetched; %7 changes overwritten.</translation>
    </message>
    <message>
        <source>试验任务、仪器、试验周期和审计记录上传 %1 行，取回 %2 行。</source>
        <translation> Test jobs, instruments, test intervals and audit entries: %1 rows uploaded, %2 fetched.</translation>
    </message>
    <message>
        <source>按服务器删除记录 %1 条。</source>
        <translation> %1 records deleted as on the server.</translation>
    </message>
    <message>
        <source>服务器拒收 %1 行，已搁置，其余照常上传（详见同步记录）。</source>
        <translation> The server refused %1 rows; they are set aside and the rest uploaded as usual (see the sync log).</translation>
    </message>
    <message>
        <source>服务器已更换或恢复到较早的状态，本机已重新上传并从头取回。</source>
        <translation> The server was replaced or restored to an earlier state: this laptop uploaded again and fetched from the start.</translation>
    </message>
    <message>
        <source>同步完成：</source>
        <translation>Sync done: </translation>
    </message>
    <message>
        <source>（只读账户，本机的记录和修改未上传）</source>
        <translation> (read-only account: this laptop&apos;s records and changes were not uploaded)</translation>
    </message>
    <message>
        <source> 此前已完成：</source>
        <translation> Done before that: </translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Asset</translation>
    </message>
    <message>
        <source>判据</source>
        <translation>Criteria</translation>
    </message>
    <message>
        <source>仪器</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <source>试验周期</source>
        <translation>Test interval</translation>
    </message>
    <message>
        <source>任务</source>
        <translation>Job</translation>
    </message>
    <message>
        <source>任务设备</source>
        <translation>Job asset</translation>
    </message>
    <message>
        <source>任务记录</source>
        <translation>Job record</translation>
    </message>
    <message>
        <source>任务结论</source>
        <translation>Job verdict</translation>
    </message>
    <message>
        <source>审计记录</source>
        <translation>Audit entry</translation>
    </message>
</context>
<context>
    <name>SyncUnion</name>
    <message>
        <source>已批准的版本不能修改（%1）</source>
        <translation>An approved revision cannot be changed (%1)</translation>
    </message>
    <message>
        <source>本机记录库未收下服务器上的这一行：%1</source>
        <translation>The local archive did not take this row from the server: %1</translation>
    </message>
</context>
<context>
    <name>TableFile</name>
    <message>
        <source>无法写入文件（%1）</source>
        <translation>Cannot write the file (%1)</translation>
    </message>
    <message>
        <source>无法建立工作簿</source>
        <translation>Cannot create the workbook</translation>
    </message>
    <message>
        <source>工作簿未能写完（%1）</source>
        <translation>The workbook could not be written completely (%1)</translation>
    </message>
    <message>
        <source>无法写入“%1”</source>
        <translation>Cannot write &quot;%1&quot;</translation>
    </message>
</context>
<context>
    <name>TablePdf</name>
    <message>
        <source>无法写入文件（%1）</source>
        <translation>Cannot write the file (%1)</translation>
    </message>
    <message>
        <source>无法写入文件</source>
        <translation>Cannot write the file</translation>
    </message>
    <message>
        <source>第 %1 页</source>
        <translation>Page %1</translation>
    </message>
</context>
<context>
    <name>TestJobs</name>
    <message>
        <source>编制中</source>
        <translation>Draft</translation>
    </message>
    <message>
        <source>待审核</source>
        <translation>Awaiting review</translation>
    </message>
    <message>
        <source>已批准</source>
        <translation>Approved</translation>
    </message>
    <message>
        <source>%1 第 %2 版</source>
        <translation>%1 revision %2</translation>
    </message>
    <message>
        <source>任务编号不能为空。</source>
        <translation>The job number must not be empty.</translation>
    </message>
    <message>
        <source>试验性质“%1”应为%2之一。</source>
        <translation>The test kind &quot;%1&quot; must be one of %2.</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>温度“%1”应为 −50 到 60 °C 之间的数。</source>
        <translation>The temperature &quot;%1&quot; must be a number from −50 to 60 °C.</translation>
    </message>
    <message>
        <source>湿度“%1”应为 0 到 100 % 之间的数。</source>
        <translation>The humidity &quot;%1&quot; must be a number from 0 to 100 %.</translation>
    </message>
    <message>
        <source>结束日期（%1）早于开始日期（%2）。</source>
        <translation>The end date (%1) is before the start date (%2).</translation>
    </message>
    <message>
        <source>仪器“%1”的校准有效期至 %2，试验日期 %3 已超过有效期。</source>
        <translation>The calibration of instrument &quot;%1&quot; is valid until %2; the test date %3 is past it.</translation>
    </message>
    <message>
        <source>最差：%1；%2</source>
        <translation>Worst: %1; %2</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>试验任务</source>
        <translation>Test jobs</translation>
    </message>
    <message>
        <source>设备台账</source>
        <translation>Asset register</translation>
    </message>
    <message>
        <source>仪器台账</source>
        <translation>Instrument register</translation>
    </message>
    <message>
        <source>判据</source>
        <translation>Criteria</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>修改人</source>
        <translation>Changed by</translation>
    </message>
    <message>
        <source>对象</source>
        <translation>Subject</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>字段</source>
        <translation>Field</translation>
    </message>
    <message>
        <source>原值</source>
        <translation>Old value</translation>
    </message>
    <message>
        <source>新值</source>
        <translation>New value</translation>
    </message>
    <message>
        <source>任务已批准，不能修改；更正请建立新的版本（%1）。</source>
        <translation>The job is approved and cannot be changed; make a new revision to correct it (%1).</translation>
    </message>
    <message>
        <source>任务已提交审核或已批准，不能修改（%1）。</source>
        <translation>The job has been submitted for review or approved and cannot be changed (%1).</translation>
    </message>
    <message>
        <source>记录库不能写入（%1）。</source>
        <translation>The archive cannot be written (%1).</translation>
    </message>
    <message>
        <source>签名不能为空。</source>
        <translation>The signature must not be empty.</translation>
    </message>
    <message>
        <source>读不出试验任务（%1）。</source>
        <translation>Cannot read the test jobs (%1).</translation>
    </message>
    <message>
        <source>记录库中没有这个试验任务。</source>
        <translation>The archive has no such test job.</translation>
    </message>
    <message>
        <source>任务编号“%1”已被另一个任务使用。</source>
        <translation>The job number &quot;%1&quot; is used by another job.</translation>
    </message>
    <message>
        <source>任务“%1”%2，不能修改。</source>
        <translation>Job &quot;%1&quot; is %2 and cannot be changed.</translation>
    </message>
    <message>
        <source>读不出试验任务的记录（%1）。</source>
        <translation>Cannot read the test job&apos;s records (%1).</translation>
    </message>
    <message>
        <source>请先填写本机签名。</source>
        <translation>Please enter this laptop&apos;s signature first.</translation>
    </message>
    <message>
        <source>任务“%1”%2，不能%3。</source>
        <translation>Job &quot;%1&quot; is %2: cannot %3.</translation>
    </message>
    <message>
        <source>提交审核</source>
        <translation>submit it for review</translation>
    </message>
    <message>
        <source>确认继续后才能提交审核。</source>
        <translation>Confirm to go on before submitting for review.</translation>
    </message>
    <message>
        <source>审核</source>
        <translation>review</translation>
    </message>
    <message>
        <source>审核人不能是编制人（%1）。</source>
        <translation>The reviewer cannot be the author (%1).</translation>
    </message>
    <message>
        <source>批准</source>
        <translation>approve</translation>
    </message>
    <message>
        <source>批准人不能是编制人（%1）。</source>
        <translation>The approver cannot be the author (%1).</translation>
    </message>
    <message>
        <source>任务“%1”尚未审核，不能批准。</source>
        <translation>Job &quot;%1&quot; has not been reviewed and cannot be approved.</translation>
    </message>
    <message>
        <source>退回</source>
        <translation>return it</translation>
    </message>
    <message>
        <source>退回时请写明原因。</source>
        <translation>Please give the reason for returning it.</translation>
    </message>
    <message>
        <source>修改</source>
        <translation>change it</translation>
    </message>
    <message>
        <source>只有已批准的任务才建立新的版本。</source>
        <translation>Only an approved job gets a new revision.</translation>
    </message>
    <message>
        <source>新的版本请写明更正了什么。</source>
        <translation>Please say what the new revision corrects.</translation>
    </message>
    <message>
        <source>读不出仪器台账（%1）。</source>
        <translation>Cannot read the instrument register (%1).</translation>
    </message>
    <message>
        <source>仪器的出厂编号不能为空。</source>
        <translation>The instrument&apos;s serial number must not be empty.</translation>
    </message>
    <message>
        <source>有效期（%1）早于校准日期（%2）。</source>
        <translation>The validity (%1) ends before the calibration date (%2).</translation>
    </message>
    <message>
        <source>出厂编号“%1”已在仪器台账中。</source>
        <translation>The serial number &quot;%1&quot; is already in the instrument register.</translation>
    </message>
    <message>
        <source>没有当前任务。</source>
        <translation>There is no current job.</translation>
    </message>
    <message>
        <source>读不出修改记录（%1）。</source>
        <translation>Cannot read the audit trail (%1).</translation>
    </message>
    <message>
        <source>类型“%1”应为%2之一。</source>
        <translation>The kind &quot;%1&quot; must be one of %2.</translation>
    </message>
    <message>
        <source>全部设备的试验周期不能为空。</source>
        <translation>The test interval for all assets must not be empty.</translation>
    </message>
    <message>
        <source>试验周期“%1”应为 1 到 240 个月。</source>
        <translation>The test interval &quot;%1&quot; must be 1 to 240 months.</translation>
    </message>
    <message>
        <source>读不出设备的试验日期（%1）。</source>
        <translation>Cannot read the assets&apos; test dates (%1).</translation>
    </message>
    <message>
        <source>未测</source>
        <translation>Untested</translation>
    </message>
</context>
<context>
    <name>TestParams</name>
    <message>
        <source><byte value="xd"/><byte value="xd"/>请重新输入！</source>
        <translation><byte value="xd"/><byte value="xd"/>Please enter it again!</translation>
    </message>
    <message>
        <source>“时间”范围在5~60 秒之间！</source>
        <translation>The &quot;time&quot; must be 5 to 60 seconds!</translation>
    </message>
    <message>
        <source>请正确选择“电流档位”！</source>
        <translation>Please choose a valid &quot;current step&quot;!</translation>
    </message>
    <message>
        <source>“%1”字符数应在20个字符以内</source>
        <translation>&quot;%1&quot; must be at most 20 characters</translation>
    </message>
</context>
<context>
    <name>UCommUnit</name>
    <message>
        <source>COM%1（%2）：</source>
        <translation>COM%1 (%2): </translation>
    </message>
    <message>
        <source>无此设备</source>
        <translation>no such device</translation>
    </message>
    <message>
        <source>无权打开</source>
        <translation>no permission to open it</translation>
    </message>
    <message>
        <source>无权打开，请把用户加入 dialout 组后重新登录</source>
        <translation>no permission to open it: add the user to the dialout group and log in again</translation>
    </message>
    <message>
        <source>已被其他程序占用</source>
        <translation>in use by another program</translation>
    </message>
    <message>
        <source>设备不接受所设的波特率或线路设置</source>
        <translation>the device does not accept the baud rate or line settings</translation>
    </message>
    <message>
        <source>仪器无应答</source>
        <translation>the instrument does not answer</translation>
    </message>
</context>
<context>
    <name>UDlgAudit</name>
    <message>
        <source>修改记录</source>
        <translation>Audit trail</translation>
    </message>
    <message>
        <source>筛选</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>筛选（修改人、对象、名称、字段或值）</source>
        <translation>Filter (changed by, subject, name, field or value)</translation>
    </message>
    <message>
        <source>导出…</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>导出修改记录</source>
        <translation>Export the audit trail</translation>
    </message>
    <message>
        <source>Excel 工作簿(*.xlsx)</source>
        <translation>Excel workbook (*.xlsx)</translation>
    </message>
    <message>
        <source>逗号分隔文件(*.csv)</source>
        <translation>Comma-separated file (*.csv)</translation>
    </message>
    <message>
        <source>修改记录.xlsx</source>
        <translation>audit-trail.xlsx</translation>
    </message>
</context>
<context>
    <name>UDlgDue</name>
    <message>
        <source>全部设备</source>
        <translation>All assets</translation>
    </message>
    <message>
        <source>所选设备</source>
        <translation>Selected asset</translation>
    </message>
    <message>
        <source>到期试验</source>
        <translation>Tests due</translation>
    </message>
    <message>
        <source>显示</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>已逾期</source>
        <translation>Overdue</translation>
    </message>
    <message>
        <source>30 天内到期</source>
        <translation>Due within 30 days</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>试验周期适用于</source>
        <translation>Interval applies to</translation>
    </message>
    <message>
        <source>试验周期(月)</source>
        <translation>Test interval (months)</translation>
    </message>
    <message>
        <source>空：不另设</source>
        <translation>empty: none of its own</translation>
    </message>
    <message>
        <source>设置周期</source>
        <translation>Set interval</translation>
    </message>
    <message>
        <source>新建任务</source>
        <translation>New job</translation>
    </message>
    <message>
        <source>请先在表中选择设备。</source>
        <translation>Please select assets in the table first.</translation>
    </message>
    <message>
        <source>试验周期“%1”应为 1 到 240 个月。</source>
        <translation>The test interval &quot;%1&quot; must be 1 to 240 months.</translation>
    </message>
    <message>
        <source>请先在表中选择一个站的设备。</source>
        <translation>Please select assets of one station in the table first.</translation>
    </message>
</context>
<context>
    <name>UDlgHistory</name>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>设备历史</source>
        <translation>Device history</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>限值 (uΩ)</source>
        <translation>Limit (uΩ)</translation>
    </message>
    <message>
        <source>设置限值</source>
        <translation>Set limit</translation>
    </message>
    <message>
        <source>清除限值</source>
        <translation>Clear limit</translation>
    </message>
    <message>
        <source>测试记录</source>
        <translation>Test records</translation>
    </message>
    <message>
        <source>电阻趋势</source>
        <translation>Resistance trend</translation>
    </message>
    <message>
        <source>导出PDF</source>
        <translation>Export PDF</translation>
    </message>
    <message>
        <source>导出PNG</source>
        <translation>Export PNG</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>共 %1 条记录，%2 条计入曲线</source>
        <translation>%1 records, %2 of them in the chart</translation>
    </message>
    <message>
        <source>；%1 个文件无法读取</source>
        <translation>; %1 files cannot be read</translation>
    </message>
    <message>
        <source>请输入大于0的限值（uΩ）！</source>
        <translation>Please enter a limit above 0 (uΩ)!</translation>
    </message>
</context>
<context>
    <name>UDlgInstruments</name>
    <message>
        <source>仪器台账</source>
        <translation>Instrument register</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>出厂编号</source>
        <translation>Serial No.</translation>
    </message>
    <message>
        <source>校准证书编号</source>
        <translation>Calibration certificate No.</translation>
    </message>
    <message>
        <source>校准日期</source>
        <translation>Calibrated on</translation>
    </message>
    <message>
        <source>有效期至</source>
        <translation>Valid until</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>新增</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
</context>
<context>
    <name>UDlgJobs</name>
    <message>
        <source>试验任务</source>
        <translation>Test jobs</translation>
    </message>
    <message>
        <source>查找任务</source>
        <translation>Find a job</translation>
    </message>
    <message>
        <source>任务编号</source>
        <translation>Job No.</translation>
    </message>
    <message>
        <source>站名</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>试验性质</source>
        <translation>Test kind</translation>
    </message>
    <message>
        <source>试验依据</source>
        <translation>Test basis</translation>
    </message>
    <message>
        <source>开始日期</source>
        <translation>Start date</translation>
    </message>
    <message>
        <source>结束日期</source>
        <translation>End date</translation>
    </message>
    <message>
        <source>天气</source>
        <translation>Weather</translation>
    </message>
    <message>
        <source>温度(°C)</source>
        <translation>Temperature (°C)</translation>
    </message>
    <message>
        <source>湿度(%)</source>
        <translation>Humidity (%)</translation>
    </message>
    <message>
        <source>试验人员</source>
        <translation>Testers</translation>
    </message>
    <message>
        <source>仪器</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <source>计划设备（每行一个）</source>
        <translation>Planned assets (one per line)</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>本机签名</source>
        <translation>This laptop&apos;s signature</translation>
    </message>
    <message>
        <source>退回原因 / 修订说明</source>
        <translation>Reason for return / revision note</translation>
    </message>
    <message>
        <source>新建任务</source>
        <translation>New job</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>设为当前任务</source>
        <translation>Make current job</translation>
    </message>
    <message>
        <source>按设备和日期添加记录</source>
        <translation>Add records by asset and date</translation>
    </message>
    <message>
        <source>提交审核</source>
        <translation>Submit for review</translation>
    </message>
    <message>
        <source>审核</source>
        <translation>Reviewed</translation>
    </message>
    <message>
        <source>批准</source>
        <translation>Approved</translation>
    </message>
    <message>
        <source>退回</source>
        <translation>Return</translation>
    </message>
    <message>
        <source>仪器过期仍继续</source>
        <translation>Go on with an expired instrument</translation>
    </message>
    <message>
        <source>建立新版本</source>
        <translation>New revision</translation>
    </message>
    <message>
        <source>任务的设备和记录</source>
        <translation>The job&apos;s assets and records</translation>
    </message>
    <message>
        <source>（%1 于 %2 确认继续）</source>
        <translation>(%1 confirmed to go on at %2)</translation>
    </message>
    <message>
        <source>编制</source>
        <translation>Prepared</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>退回原因：%1</source>
        <translation>Reason for return: %1</translation>
    </message>
    <message>
        <source>&#x3000;</source>
        <translation>  </translation>
    </message>
    <message>
        <source>已添加 %1 条记录。</source>
        <translation>%1 records added.</translation>
    </message>
    <message>
        <source>仪器台账中没有出厂编号为“%1”的仪器。是否添加，并用于当前任务“%2”？</source>
        <translation>The instrument register has no instrument with serial number &quot;%1&quot;. Add it and use it for the current job &quot;%2&quot;?</translation>
    </message>
    <message>
        <source>委托单位</source>
        <translation>Customer</translation>
    </message>
    <message>
        <source>报告…</source>
        <translation>Report…</translation>
    </message>
    <message>
        <source>导出任务文件…</source>
        <translation>Export job file…</translation>
    </message>
    <message>
        <source>导入任务文件…</source>
        <translation>Import job file…</translation>
    </message>
    <message>
        <source>附趋势图</source>
        <translation>With trend charts</translation>
    </message>
    <message>
        <source>导出任务文件</source>
        <translation>Export job file</translation>
    </message>
    <message>
        <source>试验任务文件(*.json)</source>
        <translation>Test job files (*.json)</translation>
    </message>
    <message>
        <source>导入任务文件</source>
        <translation>Import job file</translation>
    </message>
</context>
<context>
    <name>UDlgOverview</name>
    <message>
        <source>站点总览</source>
        <translation>Station overview</translation>
    </message>
    <message>
        <source>导出站点总览</source>
        <translation>Export station overview</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>全部结论</source>
        <translation>All verdicts</translation>
    </message>
    <message>
        <source>站名</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>下次试验</source>
        <translation>Next test</translation>
    </message>
    <message>
        <source>已逾期</source>
        <translation>Overdue</translation>
    </message>
    <message>
        <source>30 天内到期</source>
        <translation>Due within 30 days</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>查找设备编号</source>
        <translation>Find device No.</translation>
    </message>
    <message>
        <source>新建任务</source>
        <translation>New job</translation>
    </message>
    <message>
        <source>导出Excel…</source>
        <translation>Export Excel…</translation>
    </message>
    <message>
        <source>导出PDF…</source>
        <translation>Export PDF…</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>全部站点</source>
        <translation>All stations</translation>
    </message>
    <message>
        <source>记录库不能读取：%1</source>
        <translation>The archive cannot be read: %1</translation>
    </message>
    <message>
        <source>显示 %1 台设备</source>
        <translation>%1 assets shown</translation>
    </message>
    <message>
        <source>请先在总览中选择一个站或间隔。</source>
        <translation>Please select a station or bay in the overview first.</translation>
    </message>
    <message>
        <source>“%1”没有到期的设备。</source>
        <translation>&quot;%1&quot; has no assets due.</translation>
    </message>
    <message>
        <source>已导出到“%1”</source>
        <translation>Exported to &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Excel 工作簿(*.xlsx)</source>
        <translation>Excel workbook (*.xlsx)</translation>
    </message>
    <message>
        <source>PDF 文件(*.pdf)</source>
        <translation>PDF file (*.pdf)</translation>
    </message>
</context>
<context>
    <name>UDlgPreview</name>
    <message>
        <source>报表页面</source>
        <translation>Report page</translation>
    </message>
    <message>
        <source>页码</source>
        <translation>Page</translation>
    </message>
    <message>
        <source>整页</source>
        <translation>Whole page</translation>
    </message>
    <message>
        <source>整张纸缩微显示</source>
        <translation>Show the whole sheet</translation>
    </message>
    <message>
        <source>100%显示</source>
        <translation>Show at 100%</translation>
    </message>
    <message>
        <source>页宽</source>
        <translation>Page width</translation>
    </message>
    <message>
        <source>调整为宽度适合</source>
        <translation>Fit to width</translation>
    </message>
    <message>
        <source>第一页</source>
        <translation>First page</translation>
    </message>
    <message>
        <source>上一页</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>下一页</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>最后一页</source>
        <translation>Last page</translation>
    </message>
    <message>
        <source>打印设置</source>
        <translation>Print setup</translation>
    </message>
    <message>
        <source>打印机设置</source>
        <translation>Printer setup</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>导出PDF</source>
        <translation>Export PDF</translation>
    </message>
    <message>
        <source>将报表保存为PDF文件</source>
        <translation>Save the report as a PDF file</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>退出预览</source>
        <translation>Close the preview</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>打印失败！请检查打印机设置，或用“导出PDF”保存报表。</source>
        <translation>Printing failed! Check the printer setup, or save the report with &quot;Export PDF&quot;.</translation>
    </message>
    <message>
        <source>报表已打印到文件：
</source>
        <translation>The report was printed to the file:
</translation>
    </message>
    <message>
        <source>主报表 </source>
        <translation>Report </translation>
    </message>
    <message>
        <source>PDF文件 (*.pdf)</source>
        <translation>PDF files (*.pdf)</translation>
    </message>
    <message>
        <source>PDF文件保存失败！</source>
        <translation>Saving the PDF file failed!</translation>
    </message>
    <message>
        <source> 第 %1 页   总 %2 页</source>
        <translation> Page %1   of %2</translation>
    </message>
</context>
<context>
    <name>UDlgProcess</name>
    <message>
        <source>正在处理</source>
        <translation>Processing</translation>
    </message>
    <message>
        <source>处理中动画</source>
        <translation>Working animation</translation>
    </message>
    <message>
        <source>系统正在检测数据，请稍候 ...</source>
        <translation>Checking the data, please wait ...</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>总进度</source>
        <translation>Overall progress</translation>
    </message>
    <message>
        <source>当前进度</source>
        <translation>Current progress</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>UDlgRegister</name>
    <message>
        <source>设备台账</source>
        <translation>Asset register</translation>
    </message>
    <message>
        <source>查找设备编号</source>
        <translation>Find device No.</translation>
    </message>
    <message>
        <source>基准倍数</source>
        <translation>Baseline factor</translation>
    </message>
    <message>
        <source>增长比例</source>
        <translation>Rise ratio</translation>
    </message>
    <message>
        <source>相间比例</source>
        <translation>Phase ratio</translation>
    </message>
    <message>
        <source>全部设备的判据：超过基准值的倍数</source>
        <translation>Criteria for all assets: factor above the baseline</translation>
    </message>
    <message>
        <source>比上次增长超过</source>
        <translation>rise since the last test above</translation>
    </message>
    <message>
        <source>比同间隔最低相高出</source>
        <translation>above the lowest phase of the bay by</translation>
    </message>
    <message>
        <source>（比例按 0.2 = 20 % 填写；单台设备可在表中另填）</source>
        <translation>(ratios as 0.2 = 20 %; a single asset&apos;s own values go in the table)</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>导入…</source>
        <translation>Import…</translation>
    </message>
    <message>
        <source>导出…</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>共 %1 台设备</source>
        <translation>%1 assets</translation>
    </message>
    <message>
        <source>记录库不能写入：%1</source>
        <translation>The archive cannot be written: %1</translation>
    </message>
    <message>
        <source>判据未保存：%1</source>
        <translation>Criteria not saved: %1</translation>
    </message>
    <message>
        <source>台账未保存：%1</source>
        <translation>Register not saved: %1</translation>
    </message>
    <message>
        <source>已保存，共 %1 台设备</source>
        <translation>Saved, %1 assets</translation>
    </message>
    <message>
        <source>台账未导入：%1</source>
        <translation>Register not imported: %1</translation>
    </message>
    <message>
        <source>从“%1”导入 %2 台设备</source>
        <translation>Imported %2 assets from &quot;%1&quot;</translation>
    </message>
    <message>
        <source>已导出到“%1”</source>
        <translation>Exported to &quot;%1&quot;</translation>
    </message>
    <message>
        <source>设备台账有改动还没有保存。不保存就关闭吗？</source>
        <translation>The asset register has changes not yet saved. Close without saving?</translation>
    </message>
    <message>
        <source>导入设备台账</source>
        <translation>Import asset register</translation>
    </message>
    <message>
        <source>设备台账(*.xlsx *.csv)</source>
        <translation>Asset register (*.xlsx *.csv)</translation>
    </message>
    <message>
        <source>导出设备台账</source>
        <translation>Export asset register</translation>
    </message>
    <message>
        <source>Excel 工作簿(*.xlsx)</source>
        <translation>Excel workbook (*.xlsx)</translation>
    </message>
    <message>
        <source>逗号分隔文件(*.csv)</source>
        <translation>Comma-separated file (*.csv)</translation>
    </message>
</context>
<context>
    <name>UDlgSeries</name>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>序列号：</source>
        <translation>Serial number:</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>通讯数据</source>
        <translation>Communication data</translation>
    </message>
    <message>
        <source>通讯失败！</source>
        <translation>Communication failed!</translation>
    </message>
    <message>
        <source>即将向仪器写入序列号：

%1

仪器中原有的序列号将被替换。确定要写入吗？</source>
        <translation>About to write this serial number to the instrument:

%1

The instrument&apos;s present serial number will be replaced. Write it?</translation>
    </message>
</context>
<context>
    <name>UDlgSetComm</name>
    <message>
        <source>无此设备</source>
        <translation>no such device</translation>
    </message>
    <message>
        <source>通讯设置</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>通讯方式：</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>串口：</source>
        <translation>Serial port:</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>本机串口：</source>
        <translation>Ports on this PC:</translation>
    </message>
    <message>
        <source>用于此串口</source>
        <translation>Use for this port</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>UDlgTest</name>
    <message>
        <source>%1：</source>
        <translation>%1:</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>测试参数</source>
        <translation>Test parameters</translation>
    </message>
    <message>
        <source>电流档位：</source>
        <translation>Current step:</translation>
    </message>
    <message>
        <source>时间(秒)：</source>
        <translation>Time (s):</translation>
    </message>
    <message>
        <source>测试电流：</source>
        <translation>Test current:</translation>
    </message>
    <message>
        <source>测试电压：</source>
        <translation>Test voltage:</translation>
    </message>
    <message>
        <source>测试进度</source>
        <translation>Test progress</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>通讯数据</source>
        <translation>Communication data</translation>
    </message>
    <message>
        <source>其它参数</source>
        <translation>Other parameters</translation>
    </message>
    <message>
        <source>通讯失败！</source>
        <translation>Communication failed!</translation>
    </message>
</context>
<context>
    <name>UDlgTestPoll</name>
    <message>
        <source>通讯失败！</source>
        <translation>Communication failed!</translation>
    </message>
    <message>
        <source>接线错误！</source>
        <translation>Wiring error!</translation>
    </message>
    <message>
        <source>超量程！</source>
        <translation>Over range!</translation>
    </message>
</context>
<context>
    <name>UMain</name>
    <message>
        <source>设备已断开！</source>
        <translation>Instrument disconnected!</translation>
    </message>
    <message>
        <source>通讯失败！</source>
        <translation>Communication failed!</translation>
    </message>
    <message>
        <source>清空历史数据将删除仪器中保存的全部测试记录，删除后无法恢复。
确定要清空吗？</source>
        <translation>Clearing the history deletes every test record stored in the instrument; they cannot be restored.
Clear the history?</translation>
    </message>
    <message>
        <source>连接设备</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>上传数据</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>清空历史数据</source>
        <translation>Clear history</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>通讯设置</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>测试记录</source>
        <translation>Test records</translation>
    </message>
    <message>
        <source>通讯数据</source>
        <translation>Communication data</translation>
    </message>
    <message>
        <source>连接状态</source>
        <translation>Connection state</translation>
    </message>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>序列号与通讯数据等维护功能</source>
        <translation>Service functions such as the serial number and the communication data</translation>
    </message>
    <message>
        <source>上传进度</source>
        <translation>Upload progress</translation>
    </message>
    <message>
        <source>无历史记录！</source>
        <translation>No stored records!</translation>
    </message>
    <message>
        <source>仪器历史数据已清空！</source>
        <translation>The instrument&apos;s history has been cleared!</translation>
    </message>
    <message>
        <source>%1已连接</source>
        <translation>%1 connected</translation>
    </message>
</context>
<context>
    <name>UMainArchive</name>
    <message>
        <source>导入记录…</source>
        <translation>Import records…</translation>
    </message>
    <message>
        <source>把数据文件或工作簿中的测试记录导入记录库</source>
        <translation>Import the test records of a data file or workbook into the archive</translation>
    </message>
    <message>
        <source>导入文件夹…</source>
        <translation>Import a folder…</translation>
    </message>
    <message>
        <source>把一个文件夹中全部数据文件和工作簿的测试记录导入记录库</source>
        <translation>Import the test records of every data file and workbook in a folder into the archive</translation>
    </message>
    <message>
        <source>设备台账…</source>
        <translation>Asset register…</translation>
    </message>
    <message>
        <source>设备的站名、间隔、相别、基准值和限值</source>
        <translation>Each asset&apos;s station, bay, phase, baselines and limits</translation>
    </message>
    <message>
        <source>站点总览…</source>
        <translation>Station overview…</translation>
    </message>
    <message>
        <source>每个站、间隔和设备的最近试验与结论</source>
        <translation>The last test and verdict of every station, bay and asset</translation>
    </message>
    <message>
        <source>试验任务…</source>
        <translation>Test jobs…</translation>
    </message>
    <message>
        <source>试验任务：站名、日期、试验条件、仪器、设备、结论、审核和批准</source>
        <translation>Test jobs: station, dates, conditions, instrument, assets, verdict, review and approval</translation>
    </message>
    <message>
        <source>仪器台账…</source>
        <translation>Instrument register…</translation>
    </message>
    <message>
        <source>测试仪器的出厂编号和校准有效期</source>
        <translation>The test instruments&apos; serial numbers and calibration validity</translation>
    </message>
    <message>
        <source>到期试验…</source>
        <translation>Tests due…</translation>
    </message>
    <message>
        <source>每台设备的上次试验、试验周期和下次试验</source>
        <translation>Each asset&apos;s last test, test interval and next test</translation>
    </message>
    <message>
        <source>修改记录…</source>
        <translation>Audit trail…</translation>
    </message>
    <message>
        <source>试验任务、设备台账、仪器台账和判据的每一次修改</source>
        <translation>Every change to the test jobs, the asset and instrument registers and the criteria</translation>
    </message>
    <message>
        <source>当前任务：%1</source>
        <translation>Current job: %1</translation>
    </message>
    <message>
        <source>导入记录</source>
        <translation>Import records</translation>
    </message>
    <message>
        <source>测试记录(*.txt *.xlsx *.xls *.csv)</source>
        <translation>Test records (*.txt *.xlsx *.xls *.csv)</translation>
    </message>
    <message>
        <source>所有文件(*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>导入文件夹</source>
        <translation>Import a folder</translation>
    </message>
</context>
<context>
    <name>UMainDialogs</name>
    <message>
        <source>序列号…</source>
        <translation>Serial number…</translation>
    </message>
    <message>
        <source>读取或设置仪器序列号</source>
        <translation>Read or set the instrument&apos;s serial number</translation>
    </message>
    <message>
        <source>设备历史…</source>
        <translation>Device history…</translation>
    </message>
    <message>
        <source>查看一个设备编号的全部测试记录和电阻趋势</source>
        <translation>All test records of a device number and its resistance trend</translation>
    </message>
    <message>
        <source>%1

设置文件：%2
数据文件夹：%3</source>
        <translation>%1

Settings file: %2
Data folder: %3</translation>
    </message>
    <message>
        <source>关于…</source>
        <translation>About…</translation>
    </message>
    <message>
        <source>程序版本、设置文件和数据文件夹的位置</source>
        <translation>The program&apos;s version and where its settings file and data folder are</translation>
    </message>
    <message>
        <source>界面语言</source>
        <translation>Interface language</translation>
    </message>
    <message>
        <source>无法写入设置文件%1</source>
        <translation>Cannot write the settings file %1</translation>
    </message>
    <message>
        <source>界面语言已设为%1，下次启动程序时生效。</source>
        <translation>The interface language is set to %1. It takes effect the next time the program starts.</translation>
    </message>
</context>
<context>
    <name>UMainFiles</name>
    <message>
        <source>保存当前测试数据</source>
        <translation>Save the current test data</translation>
    </message>
    <message>
        <source>打开试验数据</source>
        <translation>Open test data</translation>
    </message>
    <message>
        <source>正在进行Excel报表转换，请稍候...</source>
        <translation>Converting to an Excel workbook, please wait...</translation>
    </message>
    <message>
        <source>转换成Excel格式失败！</source>
        <translation>Converting to Excel format failed!</translation>
    </message>
    <message>
        <source>启动Excel失败！</source>
        <translation>Starting Excel failed!</translation>
    </message>
    <message>
        <source>打开文件&apos;%1&apos;失败，表格未改动。
%2</source>
        <translation>Opening &apos;%1&apos; failed; the table is unchanged.
%2</translation>
    </message>
    <message>
        <source>测试数据文件(%1)</source>
        <translation>Test data files (%1)</translation>
    </message>
    <message>
        <source>保存文件&apos;%1&apos;失败，原有文件未改动。
%2</source>
        <translation>Saving &apos;%1&apos; failed; the existing file is unchanged.
%2</translation>
    </message>
</context>
<context>
    <name>UMainGrid</name>
    <message>
        <source>查看设备历史…</source>
        <translation>Device history…</translation>
    </message>
</context>
<context>
    <name>UQRMain</name>
    <message>
        <source>回路电阻测试仪</source>
        <translation>Loop Resistance Tester</translation>
    </message>
    <message>
        <source>-----主报表</source>
        <translation>Test Report</translation>
    </message>
    <message>
        <source>回路电阻测试仪 主报表</source>
        <translation>Loop Resistance Tester Test Report</translation>
    </message>
</context>
<context>
    <name>VerdictLook</name>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
</context>
</TS>
