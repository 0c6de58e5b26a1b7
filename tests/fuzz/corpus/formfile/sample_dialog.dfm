object SampleDialog: TForm
  Left = 200
  Top = 108
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  ShowHint = True
  ActiveControl = btnOk
  BorderStyle = bsDialog
  Caption = 'Problem'
  ClientHeight = 210
  ClientWidth = 492
  Position = poScreenCenter
  object btnOk: TButton
    Left = 408
    Top = 180
    Width = 75
    Height = 25
    TabOrder = 0
    Cancel = True
    Caption = '&OK'
    Default = True
    ModalResult = 1
  end
  object btnMore: TButton
    Left = 8
    Top = 180
    Width = 125
    Height = 25
    Visible = False
    OnClick = btnMoreClick
    TabOrder = 2
  end
  object cbDetails: TCheckBox
    Left = 8
    Top = 210
    Width = 250
    Height = 17
    Visible = False
    TabOrder = 1
  end
  object pnlTop: TPanel
    Left = 0
    Top = 0
    Width = 492
    Height = 100
    Align = alTop
    Color = clHighlightText
    TabOrder = 3
    BevelOuter = bvNone
    object imgSign: TImage
      Left = 10
      Top = 10
      Width = 32
      Height = 32
      Center = True
    end
    object lblTitle: TLabel
      Left = 56
      Top = 3
      Width = 425
      Height = 70
      AutoSize = False
      Transparent = True
      WordWrap = True
    end
    object lblLink: TLabel
      Left = 56
      Top = 80
      Width = 3
      Height = 13
      Cursor = crHandPoint
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clBlue
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsUnderline]
      ParentFont = False
      OnClick = btnMoreClick
    end
  end
  object gbReason: TGroupBox
    Left = 9
    Top = 104
    Width = 473
    Height = 73
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clActiveCaption
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    ParentFont = False
    TabOrder = 4
    object memText: TMemo
      Left = 7
      Top = 17
      Width = 460
      Height = 50
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = []
      ParentColor = True
      ParentFont = False
      TabOrder = 0
      BorderStyle = bsNone
      ReadOnly = True
      ScrollBars = ssVertical
    end
  end
end
