object ShowcaseForm: TShowcaseForm
  Left = 120
  Top = 80
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  ShowHint = True
  BorderStyle = bsSingle
  Caption = 'REVuziva showcase'
  ClientHeight = 456
  ClientWidth = 640
  Position = poScreenCenter
  object pnlHeader: TPanel
    Left = 0
    Top = 0
    Width = 640
    Height = 44
    Align = alTop
    Color = clNavy
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWhite
    Font.Height = -16
    Font.Name = 'MS Sans Serif'
    Font.Style = [fsBold]
    ParentFont = False
    TabOrder = 0
    BevelOuter = bvNone
    Caption = 'Eight log components at work on one form'
  end
  object gbLog: TGroupBox
    Left = 8
    Top = 52
    Width = 308
    Height = 66
    TabOrder = 1
    Caption = 'Log file (TextLog, XmlLog)'
    object lblLog: TLabel
      Left = 10
      Top = 18
      Width = 288
      Height = 40
      AutoSize = False
      Caption = 'Records in the text and the XML form'
      WordWrap = True
    end
  end
  object gbExceptions: TGroupBox
    Left = 324
    Top = 52
    Width = 308
    Height = 66
    TabOrder = 2
    Caption = 'Exceptions (ExceptionLog)'
    object lblExceptions: TLabel
      Left = 10
      Top = 18
      Width = 196
      Height = 40
      AutoSize = False
      Caption = 'A failing click, its record and dialog'
      WordWrap = True
    end
    object btnConvert: TButton
      Left = 212
      Top = 24
      Width = 86
      Height = 25
      Hint = 'Converts the answer|Reads the answer as a whole number'
      OnClick = btnConvertClick
      TabOrder = 0
      Caption = 'Con&vert'
    end
  end
  object gbAppEvents: TGroupBox
    Left = 8
    Top = 124
    Width = 308
    Height = 66
    TabOrder = 3
    Caption = 'Application events (AppLog)'
    object lblAppEvents: TLabel
      Left = 10
      Top = 18
      Width = 288
      Height = 40
      AutoSize = False
      Caption = 'Activation, hints, settings and idle time'
      WordWrap = True
    end
  end
  object gbDataset: TGroupBox
    Left = 324
    Top = 124
    Width = 308
    Height = 66
    TabOrder = 4
    Caption = 'Dataset changes (DatasetLog)'
    object lblDataset: TLabel
      Left = 10
      Top = 18
      Width = 288
      Height = 40
      AutoSize = False
      Caption = 'Edits of the Customers table and their SQL'
      WordWrap = True
    end
  end
  object gbMonitors: TGroupBox
    Left = 8
    Top = 196
    Width = 308
    Height = 66
    TabOrder = 5
    Caption = 'Folder, registry and shell'
    object lblMonitors: TLabel
      Left = 10
      Top = 18
      Width = 288
      Height = 40
      AutoSize = False
      Caption = 'Changes seen by FileLog, RegistryLog and ShellLog'
      WordWrap = True
    end
  end
  object gbEventLog: TGroupBox
    Left = 324
    Top = 196
    Width = 308
    Height = 66
    TabOrder = 6
    Caption = 'Event log (EventLog)'
    object lblEventLog: TLabel
      Left = 10
      Top = 18
      Width = 288
      Height = 40
      AutoSize = False
      Caption = 'Entries written and read back with their texts'
      WordWrap = True
    end
  end
  object gbEntry: TGroupBox
    Left = 8
    Top = 268
    Width = 308
    Height = 180
    TabOrder = 7
    Caption = 'Entry form (Checks)'
    object lblName: TLabel
      Left = 10
      Top = 23
      Width = 60
      Height = 13
      AutoSize = False
      Caption = '&Name'
    end
    object lblAge: TLabel
      Left = 10
      Top = 51
      Width = 60
      Height = 13
      AutoSize = False
      Caption = '&Age'
    end
    object lblCountry: TLabel
      Left = 10
      Top = 103
      Width = 60
      Height = 13
      AutoSize = False
      Caption = 'C&ountry'
    end
    object edtName: TEdit
      Left = 80
      Top = 20
      Width = 170
      Height = 21
      TabOrder = 0
    end
    object edtAge: TEdit
      Left = 80
      Top = 48
      Width = 170
      Height = 21
      TabOrder = 1
    end
    object cbAgree: TCheckBox
      Left = 80
      Top = 76
      Width = 170
      Height = 17
      TabOrder = 2
      Caption = 'I agree to the &terms'
    end
    object cbxCountry: TComboBox
      Left = 80
      Top = 100
      Width = 170
      Height = 21
      TabOrder = 3
      Style = csDropDownList
      Items.Strings = (
        'Austria'
        'Chile'
        'Japan')
    end
    object btnCheck: TButton
      Left = 10
      Top = 136
      Width = 86
      Height = 25
      OnClick = btnCheckClick
      TabOrder = 4
      Caption = '&Check'
    end
    object lblChecks: TLabel
      Left = 104
      Top = 130
      Width = 196
      Height = 44
      AutoSize = False
      Caption = 'Wrong input first: the failed controls are marked'
      WordWrap = True
    end
  end
  object memProgress: TMemo
    Left = 324
    Top = 274
    Width = 308
    Height = 174
    TabOrder = 8
    ReadOnly = True
    ScrollBars = ssVertical
    WordWrap = False
  end
  object TextLog: TQVLogBase
    LogFile = 'showcase.log'
  end
  object XmlLog: TQVLogBase
    LogFile = 'showcase.log'
    Formatting = qvlfXML
  end
  object ExceptionLog: TQVExceptionLog
    Active = True
    LogFile = 'crash.xml'
    SendTo.EMail = 'support@example.org'
    SendTo.WWW = 'https://example.org/support'
    Formatting = qvlfXML
    Formats = [lfDate, lfTime, lfPhysAddress, lfExceptionClassName, lfMessage, lfSeparator, lfSourceLine, lfApplication, lfActiveControl, lfComputerInfo, lfOSInfo, lfMemoryInfo]
    Options = [laShowSendEMail, laShowSupportLink, laShowSourceLine]
    OnException = ExceptionLogException
    OnSaveException = ExceptionLogSaveException
  end
  object AppLog: TQVAppLog
    LogFile = 'events.log'
    OnActivate = AppLogActivate
    OnDeactivate = AppLogDeactivate
    OnIdle = AppLogIdle
    OnHint = AppLogHint
    OnSettingsChanged = AppLogSettingsChanged
    OnActiveFormChange = AppLogActiveFormChange
  end
  object Database: TSQLiteConnection
    DatabaseName = 'showcase.db'
    CreateIfMissing = True
  end
  object CustomersTable: TSQLiteTable
    Connection = Database
    TableName = 'Customers'
  end
  object CustomersSource: TDataSource
    DataSet = CustomersTable
  end
  object DatasetLog: TQVDatasetLog
    Active = True
    LogFile = 'changes.log'
    DataSource = CustomersSource
    FilterEvents = [dbeActiveChanged, dbeEditingChanged, dbeRecordChanged, dbeUpdateData]
    OnSQLStatement = DatasetLogSQLStatement
  end
  object FileLog: TQVFileLog
    LogFile = 'monitors.log'
    Folder = 'showcase-scratch/watched'
    Options = [foFile, foFolder, foSize, foWatchSubFolders]
    OnFileNotification = FileLogFileNotification
  end
  object RegistryLog: TQVRegistryLog
    LogFile = 'monitors.log'
    RootKey = 2147483649
    Key = 'Software\Quindarex'
    Options = [roName, roLastSet, roWatchSubFolders]
    OnRegistryNotification = RegistryLogRegistryNotification
  end
  object ShellLog: TQVShellLog
  end
  object EventLog: TQVNTEventLog
    Source = 'REVuziva Showcase'
    Log = 'Application'
  end
  object Checks: TQVLCheckProcessor
    CheckProviders = <
      item: TQVLCheckProviderEdit
        CheckControl = edtName
        HintText = 'Your name, please'
      end
      item: TQVLCheckProviderNumericEdit
        CheckControl = edtAge
        MinValue = 18.0
        MaxValue = 120.0
      end
      item: TQVLCheckProviderCheckbox
        CheckControl = cbAgree
      end
      item: TQVLCheckProviderCombobox
        CheckControl = cbxCountry
      end>
  end
end
