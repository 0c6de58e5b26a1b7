object frmVEVirErrorDialog: TfrmVEVirErrorDialog
  Left = 200
  Top = 108
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  ShowHint = True
  BorderStyle = bsDialog
  ClientHeight = 210
  ClientWidth = 492
  Position = poScreenCenter
  object btnClose: TButton
    Left = 408
    Top = 180
    Width = 75
    Height = 25
    TabOrder = 0
    Cancel = True
    Caption = '&Close'
    Default = True
    ModalResult = 1
  end
  object btnEmail: TButton
    Left = 8
    Top = 180
    Width = 125
    Height = 25
    Visible = False
    OnClick = btnEmailClick
    TabOrder = 2
  end
  object cbAttachScreenshot: TCheckBox
    Left = 8
    Top = 210
    Width = 250
    Height = 17
    Visible = False
    TabOrder = 1
  end
  object btnGoWEB: TButton
    Left = 138
    Top = 180
    Width = 125
    Height = 25
    Visible = False
    OnClick = btnGoWEBClick
    TabOrder = 3
  end
  object pnlHeader: TPanel
    Left = 0
    Top = 0
    Width = 492
    Height = 100
    Align = alTop
    Color = clHighlightText
    TabOrder = 4
    BevelOuter = bvNone
    object imgError: TImage
      Left = 10
      Top = 10
      Width = 32
      Height = 32
      Center = True
    end
    object lblHeader: TLabel
      Left = 56
      Top = 3
      Width = 425
      Height = 70
      AutoSize = False
      Transparent = True
      WordWrap = True
    end
    object lblProductSite: TLabel
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
      OnClick = btnGoWEBClick
    end
  end
  object gbExceptionReason: TGroupBox
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
    TabOrder = 5
    object lblErrorText: TMemo
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
